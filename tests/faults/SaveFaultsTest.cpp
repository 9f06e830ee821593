// Saving Tolvane.ini into a read-only folder, onto a full disk, cut short by a crash, and by two copies at once.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <random>
#include <sstream>

#include "app/ConfigFile.h"
#include "core/StationSettings.h"
#include "support/MainWindowFixture.h"
#include "faults/FaultSupport.h"

namespace {

std::string FileText(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::stringstream content;
    content << file.rdbuf();
    return content.str();
}

bool Exists(const char* path)
{
    struct stat status {};
    return lstat(path, &status) == 0;
}

const std::vector<std::string> OldSettings = {"[TOLVANE]", "LANGUAGE=ENGLISH", "ANT=GS232", "PORT_GS232=2",
                                              "BAUD_GS232=9600", "STEP_GS232=3"};

class SaveFaultsTest : public TMainWindowFixture {
protected:
    void TearDown() override
    {
        Form.reset();
        if (!MountPoint.empty()) {
            (void)chdir("/");
            umount2(MountPoint.c_str(), MNT_DETACH);
        }
        chmod(Folder->Path().c_str(), 0700);
        TMainWindowFixture::TearDown();
    }

    // The window started from the old file, then the operator changed a setting.
    void StartAndChangeASetting()
    {
        WriteConfiguration(OldSettings);
        OldFile = FileText("Tolvane.ini");
        CreateForm();
        ASSERT_EQ(StationSettings.STEP_GS232, 3);
        StationSettings.STEP_GS232 = 5;
    }

    void ExpectErrorBoxAndOldFile()
    {
        ASSERT_EQ(Boxes.Boxes.size(), 1u);
        EXPECT_EQ(Boxes.Boxes[0].Kind, TMessageKind::Error);
        EXPECT_EQ(Boxes.Boxes[0].Text, "Can't create Tolvane.ini");
        EXPECT_EQ(FileText(Folder->Path() + "/Tolvane.ini"), OldFile);
    }

    std::string OldFile;
    std::string MountPoint;
};

TEST_F(SaveFaultsTest, ReadOnlyProgramFolderShowsTheErrorBoxAndKeepsTheOldFile)
{
    if (geteuid() == 0 && !TUnprivilegedFiles::PermissionsEnforced())
        GTEST_SKIP() << "running as root on a system that does not enforce file permissions";
    StartAndChangeASetting();
    ASSERT_EQ(chmod(Folder->Path().c_str(), 0555), 0);
    {
        // Root writes into any folder: the save runs as an unprivileged user.
        std::unique_ptr<TUnprivilegedFiles> asUser;
        if (geteuid() == 0)
            asUser = std::make_unique<TUnprivilegedFiles>();
        Form->save_configuration();
    }
    ExpectErrorBoxAndOldFile();
    EXPECT_FALSE(Exists((Folder->Path() + "/Tolvane.~in").c_str()));
}

TEST_F(SaveFaultsTest, FullDiskShowsTheErrorBoxAndKeepsTheOldFile)
{
    // A real full disk where a small tmpfs can be mounted (root), else a file-size limit.
    const bool mounted = geteuid() == 0 && mount("tmpfs", Folder->Path().c_str(), "tmpfs", 0, "size=16k") == 0;
    if (mounted) {
        MountPoint = Folder->Path();
        ASSERT_EQ(chdir(MountPoint.c_str()), 0);
    }
    StartAndChangeASetting();
    struct rlimit previous {};
    getrlimit(RLIMIT_FSIZE, &previous);
    struct sigaction ignore {}, previousAction {};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGXFSZ, &ignore, &previousAction);
    if (mounted) {
        // Fill what the old file left free.
        const int filler = open("filler", O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        ASSERT_GE(filler, 0);
        const std::string block(512, 'x');
        while (write(filler, block.data(), block.size()) > 0) {
        }
        while (write(filler, "x", 1) > 0) {
        }
        close(filler);
    } else {
        struct rlimit small = previous;
        small.rlim_cur = 64;
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    }
    Form->save_configuration();
    setrlimit(RLIMIT_FSIZE, &previous);
    sigaction(SIGXFSZ, &previousAction, nullptr);

    ExpectErrorBoxAndOldFile();
    EXPECT_FALSE(Exists((Folder->Path() + "/Tolvane.~in").c_str())) << "no partial file is left";
    if (mounted) {
        // Room again: the same save goes through.
        unlink("filler");
        Boxes.Boxes.clear();
        Form->save_configuration();
        EXPECT_TRUE(Boxes.Boxes.empty());
        EXPECT_NE(FileText(Folder->Path() + "/Tolvane.ini").find("STEP_GS232=5\r\n"), std::string::npos);
    }
}

TEST_F(SaveFaultsTest, CrashAtAnyPointOfASaveLeavesTheOldOrTheNewCompleteFile)
{
    const auto joined = [](const std::vector<std::string>& lines) {
        std::string bytes;
        for (const std::string& line : lines)
            bytes += line + "\r\n";
        return bytes;
    };
    StationSettings = {};
    StationSettings.STEP_GS232 = 2;
    const std::vector<std::string> first = BuildConfigurationLines(false, {288, 102, 400, 127});
    StationSettings.STEP_GS232 = 4;
    StationSettings.ANT = riEasyComm;
    const std::vector<std::string> second = BuildConfigurationLines(true, {10, 20, 400, 127});
    ASSERT_TRUE(WriteConfigurationFile(first));
    const std::string firstBytes = joined(first), secondBytes = joined(second);

    std::mt19937 random(8);
    std::uniform_int_distribution<int> delayUs(0, 3000);
    int saw[2] = {0, 0};
    for (int round = 0; round < 150; ++round) {
        int started[2];
        ASSERT_EQ(pipe(started), 0);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            // Nothing but the writer runs here: save the two versions in turn until killed. The first
            // save is announced, so that on a loaded machine the kill never falls before any save began.
            for (unsigned i = 0;; ++i) {
                WriteConfigurationFile(i % 2 ? first : second);
                if (i == 0 && write(started[1], "s", 1) < 0)
                    _exit(1);
            }
        }
        close(started[1]);
        char announced = 0;
        ASSERT_EQ(read(started[0], &announced, 1), 1);
        close(started[0]);
        usleep(static_cast<useconds_t>(delayUs(random)));
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        const std::string now = FileText("Tolvane.ini");
        ASSERT_TRUE(now == firstBytes || now == secondBytes) << "torn Tolvane.ini after round " << round << ":\n"
                                                             << now;
        ++saw[now == secondBytes];
    }
    // The kills fell at many points, so both versions were seen complete.
    EXPECT_GT(saw[0], 0);
    EXPECT_GT(saw[1], 0);
    // A temporary left by a killed save does not block the next one.
    ASSERT_TRUE(WriteConfigurationFile(second));
    EXPECT_EQ(FileText("Tolvane.ini"), secondBytes);
    EXPECT_FALSE(Exists("Tolvane.~in"));
}

TEST_F(SaveFaultsTest, TwoCopiesSavingAtOnceBothSucceedAndLeaveOneCompleteFile)
{
    // Each copy saves its own settings over and over, both started at the same instant.
    constexpr int Copies = 2, SavesEach = 100;
    const auto settingsOf = [](int copy) {
        StationSettings = {};
        StationSettings.STEP_GS232 = copy + 2;
        return BuildConfigurationLines(copy == 1, {288 + copy, 102, 400, 127});
    };
    std::vector<std::string> versions;
    for (int copy = 0; copy < Copies; ++copy) {
        std::string bytes;
        for (const std::string& line : settingsOf(copy))
            bytes += line + "\r\n";
        versions.push_back(bytes);
    }
    int go[2];
    ASSERT_EQ(pipe(go), 0);
    std::vector<pid_t> children;
    for (int copy = 0; copy < Copies; ++copy) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            close(go[1]);
            char byte = 0;
            (void)!read(go[0], &byte, 1);
            const std::vector<std::string> lines = settingsOf(copy);
            int failed = 0;
            for (int save = 0; save < SavesEach; ++save)
                failed += WriteConfigurationFile(lines) ? 0 : 1;
            _exit(failed > 100 ? 100 : failed);
        }
        children.push_back(child);
    }
    close(go[0]);
    close(go[1]);  // both copies start now
    for (const pid_t child : children) {
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 0) << "saves that failed in one copy";
    }
    const std::string now = FileText("Tolvane.ini");
    EXPECT_TRUE(now == versions[0] || now == versions[1]) << "torn Tolvane.ini:\n" << now;
    EXPECT_FALSE(Exists("Tolvane.~in"));
}

}  // namespace
