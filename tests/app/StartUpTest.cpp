// Tests of the start-up step: the program's folder and the search for Tolvane.ini.
#include <QCoreApplication>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <ostream>
#include <string>

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
