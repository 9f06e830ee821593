// Tests of the start-up step: the program's or data folder, the command line, the search for Tolvane.ini and the Qt platform.
#include <QCoreApplication>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/mount.h>
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

struct TCommandLineRow {
    const char* Name;
    std::vector<std::string> Arguments;  // after the program's name
    bool Help;
    const char* DataFolder;
    bool Error;
    std::vector<std::string> QtArguments;  // after the program's name
};

void PrintTo(const TCommandLineRow& row, std::ostream* out)
{
    *out << row.Name;
}

const TCommandLineRow CommandLineTable[] = {
    {"NoneGoesToQtUnchanged", {}, false, "", false, {}},
    {"QtsOwnPassThrough", {"-platform", "xcb", "-style", "fusion"}, false, "", false, {"-platform", "xcb", "-style", "fusion"}},
    {"Help", {"--help"}, true, "", false, {}},
    {"ShortHelp", {"-h"}, true, "", false, {}},
    {"DataFolderSeparate", {"--data-folder", "/home/op/.local/share/Tolvane", "-platform", "xcb"}, false,
     "/home/op/.local/share/Tolvane", false, {"-platform", "xcb"}},
    {"DataFolderJoined", {"--data-folder=/d"}, false, "/d", false, {}},
    {"DataFolderMissingValue", {"--data-folder"}, false, "", true, {}},
    {"DataFolderEmptyValue", {"--data-folder="}, false, "", true, {}},
    {"LookalikeIsQts", {"--data-folderx", "y"}, false, "", false, {"--data-folderx", "y"}},
};

class CommandLineRows : public ::testing::TestWithParam<TCommandLineRow> {};

TEST_P(CommandLineRows, TakesOutOnlyTheProgramsOwnOptions)
{
    const TCommandLineRow& row = GetParam();
    std::vector<std::string> arguments{"/usr/lib/tolvane/tolvane"};
    arguments.insert(arguments.end(), row.Arguments.begin(), row.Arguments.end());
    const TCommandLine commandLine = ParseCommandLine(arguments);
    EXPECT_EQ(commandLine.Help, row.Help);
    EXPECT_EQ(commandLine.DataFolder, row.DataFolder);
    EXPECT_EQ(!commandLine.Error.empty(), row.Error) << commandLine.Error;
    std::vector<std::string> expected{"/usr/lib/tolvane/tolvane"};
    expected.insert(expected.end(), row.QtArguments.begin(), row.QtArguments.end());
    EXPECT_EQ(commandLine.QtArguments, expected);
}

INSTANTIATE_TEST_SUITE_P(StartUp, CommandLineRows, ::testing::ValuesIn(CommandLineTable),
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

TEST_F(StartUpTest, DataFolderIsCreatedWithItsParentsPrivateAndEntered)
{
    const std::string home = Folder.path().toStdString();
    std::string reason;
    ASSERT_TRUE(EnterDataFolder(home + "/.local/share/Tolvane", reason)) << reason;
    EXPECT_EQ(CurrentFolder(), home + "/.local/share/Tolvane");
    struct stat status {};
    ASSERT_EQ(stat((home + "/.local").c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0700u);
    // The next start finds it and keeps what it holds.
    std::ofstream("Tolvane.ini") << "ANT=GS232\r\n";
    ASSERT_EQ(chdir("/"), 0);
    ASSERT_TRUE(EnterDataFolder(home + "/.local/share/Tolvane", reason)) << reason;
    EXPECT_TRUE(ConfigFileExists());
}

// What the folder cannot be: each case fails with a reason, leaves the working folder and creates nothing.
TEST_F(StartUpTest, DataFolderThatCannotBeUsedIsRefusedAndNothingIsLeft)
{
    const std::string home = Folder.path().toStdString();
    std::ofstream(home + "/file") << "x";
    ASSERT_EQ(mkdir((home + "/locked").c_str(), 0500), 0);
    ASSERT_EQ(mkdir((home + "/readonly").c_str(), 0700), 0);
    // Root writes through permissions, not into a read-only mount.
    const bool readOnlyMount = geteuid() == 0 &&
                               mount("tmpfs", (home + "/readonly").c_str(), "tmpfs", MS_RDONLY, "size=16k") == 0;
    struct TCase {
        std::string Folder;
        bool Applies;
    };
    const TCase cases[] = {
        {home + "/file", true},                       // a file where the folder should be
        {home + "/file/Tolvane", true},               // a file where a parent should be
        {home + "/locked/.local/share/Tolvane", geteuid() != 0},  // a home the user may not write
        {home + "/locked", geteuid() != 0},
        {home + "/readonly/.local/share/Tolvane", readOnlyMount},  // a read-only home
        {home + "/readonly", readOnlyMount},
    };
    for (const TCase& row : cases) {
        if (!row.Applies)
            continue;
        std::string reason;
        EXPECT_FALSE(EnterDataFolder(row.Folder, reason)) << row.Folder;
        EXPECT_FALSE(reason.empty()) << row.Folder;
        EXPECT_EQ(CurrentFolder(), home) << row.Folder;
    }
    if (readOnlyMount)
        umount2((home + "/readonly").c_str(), MNT_DETACH);
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(home + "/locked/.local")));
    chmod((home + "/locked").c_str(), 0700);
}

TEST_F(StartUpTest, DataFolderOnAFullDiskIsRefusedAndTakenBack)
{
    const std::string disk = Folder.path().toStdString() + "/disk";
    ASSERT_EQ(mkdir(disk.c_str(), 0700), 0);
    // A disk with room for one more folder only: the outer one is made, the next cannot be.
    if (geteuid() != 0 || mount("tmpfs", disk.c_str(), "tmpfs", 0, "nr_inodes=2") != 0)
        GTEST_SKIP() << "needs root to mount a small disk";
    std::string reason;
    EXPECT_FALSE(EnterDataFolder(disk + "/.local/share/Tolvane", reason));
    EXPECT_NE(reason.find("space"), std::string::npos) << reason;
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(disk + "/.local"))) << "the outer folder is taken back";
    EXPECT_EQ(CurrentFolder(), Folder.path().toStdString());
    umount2(disk.c_str(), MNT_DETACH);
}

}  // namespace
