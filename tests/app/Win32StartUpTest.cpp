// The start-up step on Windows: backslash paths as GetModuleFileNameW gives them, the test program's own
// folder entered, and names that ignore case.
#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>
#include <string>
#include <vector>

#include "app/StartUp.h"
#include "app/StartUpFixture.h"

namespace {

TEST(Win32ProgramFolder, TheFolderOfAWindowsPathEndsInItsLastBackslash)
{
    struct Row {
        const char* Name;
        const char* Path;
        const char* Expected;
    };
    const Row rows[] = {
        {"installed", R"(C:\Program Files\Tolvane\Tolvane.exe)", R"(C:\Program Files\Tolvane\)"},
        {"drive root", R"(C:\Tolvane.exe)", R"(C:\)"},
        {"network share", R"(\\shack\radio\Tolvane\Tolvane.exe)", R"(\\shack\radio\Tolvane\)"},
        {"long-path prefix", R"(\\?\D:\Ham\Tolvane.exe)", R"(\\?\D:\Ham\)"},
        {"a slash does not separate", R"(C:\Ham/Tolvane/Tolvane.exe)", R"(C:\)"},
        {"drive and name only", "C:Tolvane.exe", ""},
    };
    for (const Row& row : rows)
        EXPECT_EQ(ProgramFolderOf(row.Path), row.Expected) << row.Name;
}

// The folder as Windows itself names it, without a trailing backslash, for comparing without regard to case.
std::wstring FolderOfThisProgram()
{
    std::vector<wchar_t> path(32768);
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    const std::wstring full(path.data(), length);
    return full.substr(0, full.rfind(L'\\'));
}

std::wstring WorkingFolder()
{
    std::vector<wchar_t> path(32768);
    const DWORD length = GetCurrentDirectoryW(static_cast<DWORD>(path.size()), path.data());
    std::wstring folder(path.data(), length);
    if (folder.size() > 3 && folder.back() == L'\\')
        folder.pop_back();
    return folder;
}

TEST_F(StartUpTest, EntersTheFolderWindowsNamesForThisProgram)
{
    const std::wstring expected = FolderOfThisProgram();
    ASSERT_FALSE(expected.empty());
    ASSERT_NE(_wcsicmp(WorkingFolder().c_str(), expected.c_str()), 0) << "the test starts elsewhere";
    EnterProgramFolder();
    const std::wstring entered = WorkingFolder();
    EXPECT_EQ(_wcsicmp(entered.c_str(), expected.c_str()), 0)
        << std::string(entered.begin(), entered.end()) << " is not " << std::string(expected.begin(), expected.end());
}

// Windows finds a file whatever the case of its name, so a tolvane.ini is the file the program reads.
TEST_F(StartUpTest, AnyCaseOfTheNameIsTheFile)
{
    std::ofstream("tolvane.INI") << "ANT=GS232\r\n";
    EXPECT_TRUE(ConfigFileExists());
}

}  // namespace
