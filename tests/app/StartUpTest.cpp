// Tests of the start-up step: the program's or data folder, the command line, the search for Tolvane.ini and the Qt platform.
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "app/StartUp.h"
#include "app/StartUpFixture.h"
#include "platform/ProgramFolder.h"

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

// Written with '/', which stands for the platform's separator in both columns.
const TFolderRow FolderRows[] = {
    {"Installed", "/opt/tolvane/tolvane", "/opt/tolvane/"},
    {"AtTheRoot", "/tolvane", "/"},
    {"Relative", "bin/tolvane", "bin/"},
    {"NoSlash", "tolvane", ""},
    {"Empty", "", ""},
    {"LastSlashWins", "/a/b.c/d", "/a/b.c/"},
};

std::string WithPlatformSeparator(std::string path)
{
    std::replace(path.begin(), path.end(), '/', PathSeparator);
    return path;
}

class ProgramFolderRows : public ::testing::TestWithParam<TFolderRow> {};

TEST_P(ProgramFolderRows, CutsAfterTheLastSeparator)
{
    EXPECT_EQ(ProgramFolderOf(WithPlatformSeparator(GetParam().Path)), WithPlatformSeparator(GetParam().Expected));
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
    bool Version;
    const char* DataFolder;
    bool Error;
    std::vector<std::string> QtArguments;  // after the program's name
};

void PrintTo(const TCommandLineRow& row, std::ostream* out)
{
    *out << row.Name;
}

const TCommandLineRow CommandLineTable[] = {
    {"NoneGoesToQtUnchanged", {}, false, false, "", false, {}},
    {"QtsOwnPassThrough", {"-platform", "xcb", "-style", "fusion"}, false, false, "", false, {"-platform", "xcb", "-style", "fusion"}},
    {"Help", {"--help"}, true, false, "", false, {}},
    {"ShortHelp", {"-h"}, true, false, "", false, {}},
    {"Version", {"--version"}, false, true, "", false, {}},
    {"VersionBesideQtsOwn", {"-platform", "xcb", "--version"}, false, true, "", false, {"-platform", "xcb"}},
    {"DataFolderSeparate", {"--data-folder", "/home/op/.local/share/Tolvane", "-platform", "xcb"}, false, false,
     "/home/op/.local/share/Tolvane", false, {"-platform", "xcb"}},
    {"DataFolderJoined", {"--data-folder=/d"}, false, false, "/d", false, {}},
    {"DataFolderMissingValue", {"--data-folder"}, false, false, "", true, {}},
    {"DataFolderEmptyValue", {"--data-folder="}, false, false, "", true, {}},
    {"LookalikeIsQts", {"--data-folderx", "y"}, false, false, "", false, {"--data-folderx", "y"}},
};

class CommandLineRows : public ::testing::TestWithParam<TCommandLineRow> {};

TEST_P(CommandLineRows, TakesOutOnlyTheProgramsOwnOptions)
{
    const TCommandLineRow& row = GetParam();
    std::vector<std::string> arguments{"/usr/lib/tolvane/tolvane"};
    arguments.insert(arguments.end(), row.Arguments.begin(), row.Arguments.end());
    const TCommandLine commandLine = ParseCommandLine(arguments);
    EXPECT_EQ(commandLine.Help, row.Help);
    EXPECT_EQ(commandLine.Version, row.Version);
    EXPECT_EQ(commandLine.DataFolder, row.DataFolder);
    EXPECT_EQ(!commandLine.Error.empty(), row.Error) << commandLine.Error;
    std::vector<std::string> expected{"/usr/lib/tolvane/tolvane"};
    expected.insert(expected.end(), row.QtArguments.begin(), row.QtArguments.end());
    EXPECT_EQ(commandLine.QtArguments, expected);
}

INSTANTIATE_TEST_SUITE_P(StartUp, CommandLineRows, ::testing::ValuesIn(CommandLineTable),
                         [](const auto& info) { return std::string(info.param.Name); });

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

TEST_F(StartUpTest, AFolderIsNotTheFile)
{
    ASSERT_TRUE(std::filesystem::create_directory("Tolvane.ini"));
    EXPECT_FALSE(ConfigFileExists());
}

TEST_F(StartUpTest, DataFolderIsCreatedWithItsParentsAndEntered)
{
    const std::string home = HomeFolder();
    std::string reason;
    ASSERT_TRUE(EnterDataFolder(home + "/.local/share/Tolvane", reason)) << reason;
    EXPECT_EQ(CurrentFolder(), home + "/.local/share/Tolvane");
    // The next start finds it and keeps what it holds.
    std::ofstream("Tolvane.ini") << "ANT=GS232\r\n";
    ASSERT_TRUE(QDir::setCurrent(QDir::rootPath()));
    ASSERT_TRUE(EnterDataFolder(home + "/.local/share/Tolvane", reason)) << reason;
    EXPECT_TRUE(ConfigFileExists());
}

// A file where the folder or one of its parents should be: refused with a reason, the working folder
// stays and nothing is created.
TEST_F(StartUpTest, DataFolderWhereAFileIsIsRefused)
{
    const std::string home = HomeFolder();
    std::ofstream(home + "/file") << "x";
    for (const std::string& folder : {home + "/file", home + "/file/Tolvane"}) {
        std::string reason;
        EXPECT_FALSE(EnterDataFolder(folder, reason)) << folder;
        EXPECT_FALSE(reason.empty()) << folder;
        EXPECT_EQ(CurrentFolder(), home) << folder;
    }
}

}  // namespace
