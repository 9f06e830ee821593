// Tests of the start-up step: the program's folder, the search for Tolvane.ini and the Qt platform.
#include <QCoreApplication>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "app/StartUp.h"

namespace {

struct TFolderRow {
    const char* Name;
    const char* Path;
    const char* Expected;
};

// Failures name the row instead of dumping its bytes.
void PrintTo(const TFolderRow& row, std::ostream* out)
{
    *out << row.Name;
}

const TFolderRow FolderRows[] = {
    {"Installed", "/opt/tolvane/tolvane", "/opt/tolvane/"},
    {"AtTheRoot", "/tolvane", "/"},
    {"Relative", "bin/tolvane", "bin/"},
    {"NoSlash", "tolvane", ""},
    {"Empty", "", ""},
    {"BackslashIsNotASeparator", "C:\\Tolvane\\tolvane.exe", ""},
    {"LastSlashWins", "/a/b.c/d", "/a/b.c/"},
};

class ProgramFolderRows : public ::testing::TestWithParam<TFolderRow> {};

TEST_P(ProgramFolderRows, CutsAfterTheLastSlash)
{
    EXPECT_EQ(ProgramFolderOf(GetParam().Path), GetParam().Expected);
}

INSTANTIATE_TEST_SUITE_P(StartUp, ProgramFolderRows, ::testing::ValuesIn(FolderRows),
                         [](const auto& info) { return std::string(info.param.Name); });

struct TPlatformRow {
    const char* Name;
    const char* WaylandDisplay;  // nullptr: unset
    const char* Display;
    const char* QtPlatform;
    const char* Argument;  // an option given before the platform's name, nullptr for none
    const char* Expected;
};

void PrintTo(const TPlatformRow& row, std::ostream* out)
{
    *out << row.Name;
}

const TPlatformRow PlatformRows[] = {
    {"WaylandWithXWaylandRunsOnXcb", "wayland-0", ":0", nullptr, nullptr, "xcb"},
    {"WaylandAloneIsQtsChoice", "wayland-0", nullptr, nullptr, nullptr, ""},
    {"X11AloneIsQtsChoice", nullptr, ":0", nullptr, nullptr, ""},
    {"EmptyWaylandDisplayIsUnset", "", ":0", nullptr, nullptr, ""},
    {"UserChoseByEnvironment", "wayland-0", ":0", "wayland", nullptr, ""},
    {"EmptyChoiceIsNoChoice", "wayland-0", ":0", "", nullptr, "xcb"},
    {"UserChoseByArgument", "wayland-0", ":0", nullptr, "-platform", ""},
    {"UserChoseByLongArgument", "wayland-0", ":0", nullptr, "--platform", ""},
};

class QtPlatformRows : public ::testing::TestWithParam<TPlatformRow> {};

TEST_P(QtPlatformRows, ImposesXcbOnlyWhereWaylandOffersXWaylandAndTheUserChoseNothing)
{
    const TPlatformRow& row = GetParam();
    std::map<std::string, std::string> environment;
    if (row.WaylandDisplay)
        environment["WAYLAND_DISPLAY"] = row.WaylandDisplay;
    if (row.Display)
        environment["DISPLAY"] = row.Display;
    if (row.QtPlatform)
        environment["QT_QPA_PLATFORM"] = row.QtPlatform;
    std::vector<std::string> arguments{"./tolvane"};
    if (row.Argument)
        arguments.insert(arguments.end(), {row.Argument, "wayland"});
    EXPECT_EQ(ImposedQtPlatform(environment, arguments), row.Expected);
}

INSTANTIATE_TEST_SUITE_P(StartUp, QtPlatformRows, ::testing::ValuesIn(PlatformRows),
                         [](const auto& info) { return std::string(info.param.Name); });

std::string CurrentFolder()
{
    char* current = getcwd(nullptr, 0);
    std::string folder = current ? current : "";
    free(current);
    return folder;
}

class StartUpTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SavedFolder = CurrentFolder();
        ASSERT_TRUE(Folder.isValid());
        ASSERT_EQ(chdir(Folder.path().toLocal8Bit().constData()), 0);
    }
    void TearDown() override { EXPECT_EQ(chdir(SavedFolder.c_str()), 0); }

    QTemporaryDir Folder;
    std::string SavedFolder;
};

TEST_F(StartUpTest, EntersTheExecutablesFolder)
{
    EnterProgramFolder();
    const QString expected = QFileInfo(QCoreApplication::applicationFilePath()).canonicalPath();
    EXPECT_EQ(CurrentFolder(), expected.toStdString());
}

TEST_F(StartUpTest, ConfigFileIsLookedForInTheCurrentFolder)
{
    EXPECT_FALSE(ConfigFileExists());
    std::ofstream("Tolvane.ini") << "ANT=GS232\r\n";
    EXPECT_TRUE(ConfigFileExists());
}

TEST_F(StartUpTest, OtherNamesAndFoldersDoNotCount)
{
    std::ofstream("tolvane.ini") << "ANT=GS232\r\n";
    EXPECT_FALSE(ConfigFileExists()) << "the name is case-sensitive";
    ASSERT_EQ(mkdir("Tolvane.ini", 0755), 0);
    EXPECT_FALSE(ConfigFileExists()) << "a folder is not the file";
}

}  // namespace
