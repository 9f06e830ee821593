// The start-up step where POSIX has its own rules: '/' alone separates, names are case-sensitive, folders
// have modes, and a mount can make a folder read-only or full.
#include <QFileInfo>
#include <QString>
#include <gtest/gtest.h>

#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <string>

#include "app/StartUp.h"
#include "app/StartUpFixture.h"

namespace {

TEST(PosixProgramFolder, BackslashIsNotASeparator)
{
    EXPECT_EQ(ProgramFolderOf("C:\\Tolvane\\tolvane.exe"), "");
    EXPECT_EQ(ProgramFolderOf("/opt/back\\slash/tolvane"), "/opt/back\\slash/");
}

TEST_F(StartUpTest, TheNameIsCaseSensitive)
{
    std::ofstream("tolvane.ini") << "ANT=GS232\r\n";
    EXPECT_FALSE(ConfigFileExists());
}

TEST_F(StartUpTest, DataFolderParentsArePrivate)
{
    const std::string home = HomeFolder();
    std::string reason;
    ASSERT_TRUE(EnterDataFolder(home + "/.local/share/Tolvane", reason)) << reason;
    for (const char* made : {"/.local", "/.local/share", "/.local/share/Tolvane"}) {
        struct stat status {};
        ASSERT_EQ(stat((home + made).c_str(), &status), 0) << made;
        EXPECT_EQ(status.st_mode & 0777, 0700u) << made;
    }
}

// What the folder cannot be: each case fails with a reason, leaves the working folder and creates nothing.
TEST_F(StartUpTest, DataFolderThatCannotBeUsedIsRefusedAndNothingIsLeft)
{
    const std::string home = HomeFolder();
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
    const std::string home = HomeFolder();
    const std::string disk = home + "/disk";
    ASSERT_EQ(mkdir(disk.c_str(), 0700), 0);
    // A disk with room for one more folder only: the outer one is made, the next cannot be.
    if (geteuid() != 0 || mount("tmpfs", disk.c_str(), "tmpfs", 0, "nr_inodes=2") != 0)
        GTEST_SKIP() << "needs root to mount a small disk";
    std::string reason;
    EXPECT_FALSE(EnterDataFolder(disk + "/.local/share/Tolvane", reason));
    EXPECT_NE(reason.find("space"), std::string::npos) << reason;
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(disk + "/.local"))) << "the outer folder is taken back";
    EXPECT_EQ(CurrentFolder(), home);
    umount2(disk.c_str(), MNT_DETACH);
}

}  // namespace
