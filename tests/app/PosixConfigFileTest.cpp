// Tolvane.ini saves that only POSIX can stage: a folder a user who is not root may not write, and a
// file-size limit standing in for a full disk.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "app/ConfigFile.h"
#include "app/ConfigFileFixture.h"
#include "platform/FileSystem.h"

namespace {

// Runs the save in a child without root's right to write anywhere, when the tests run as root.
bool SaveAsOrdinaryUser(const std::vector<std::string>& lines)
{
    if (geteuid() != 0) {
        return WriteConfigurationFile(lines);
    }
    const pid_t child = fork();
    if (child == 0) {
        const bool dropped = setgid(65534) == 0 && setuid(65534) == 0;
        _exit(!dropped ? 2 : WriteConfigurationFile(lines) ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) != 2) << "could not drop root";
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST_F(ConfigFileTest, ReadOnlyFolderFailsAndKeepsTheOldFile)
{
    WriteBytes(ConfigFileName, "ANT=ARSIF\r\n");
    ASSERT_TRUE(ApplyFileAttributes(ConfigFileName, TFileAttributes::ReadOnlyArchive));
    ASSERT_EQ(chmod(".", 0555), 0);
    EXPECT_FALSE(SaveAsOrdinaryUser({"ANT=GS232"}));
    EXPECT_EQ(ReadBytes(ConfigFileName), "ANT=ARSIF\r\n");
    EXPECT_FALSE(Exists(ConfigTemporaryFileName));
}

TEST_F(ConfigFileTest, FullDiskFailsAndLeavesNoTornFile)
{
    WriteBytes(ConfigFileName, "ANT=ARSIF\r\n");
    // A file-size limit makes the write stop part-way, as a full disk does.
    struct rlimit saved {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    struct sigaction ignore {}, previous {};
    ignore.sa_handler = SIG_IGN;
    ASSERT_EQ(sigaction(SIGXFSZ, &ignore, &previous), 0);
    struct rlimit small = saved;
    small.rlim_cur = 64;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool written = WriteConfigurationFile(BuildConfigurationLines(false, DesignBounds));
    setrlimit(RLIMIT_FSIZE, &saved);
    sigaction(SIGXFSZ, &previous, nullptr);

    EXPECT_FALSE(written);
    EXPECT_EQ(ReadBytes(ConfigFileName), "ANT=ARSIF\r\n");
    EXPECT_FALSE(Exists(ConfigTemporaryFileName));
}

}  // namespace
