// The beep through the desktop sound theme, against a private sound server with a null sink.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <memory>

#include "platform/CanberraBeep.h"
#include "support/ChildProcess.h"
#include "support/Recorders.h"
#include "support/ScopedEnvironment.h"

namespace {

class CanberraBeepTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(Folder.isValid()); }

    std::string SocketPath() const { return Folder.filePath("native").toStdString(); }

    // A sound server of our own that plays into nothing, and a client that reports each new stream.
    void StartSoundServer()
    {
        TChildOptions options;
        options.Environment.insert("HOME", Folder.path());
        options.Environment.insert("XDG_RUNTIME_DIR", Folder.path());
        options.Errors = TErrorOutput::Merged;
        options.Label = "pulseaudio";
        Server = std::make_unique<TChildProcess>(
            "pulseaudio",
            QStringList{"-n", "--daemonize=no", "--exit-idle-time=-1", "--disallow-exit", "--use-pid-file=no",
                        "-L", "module-null-sink", "-L",
                        QString::fromStdString("module-native-protocol-unix auth-anonymous=1 socket=" + SocketPath())},
            options);
        ASSERT_TRUE(Server->HasStarted());
        // A loaded machine starts it slowly.
        ASSERT_TRUE(RunEventsUntil([&] { return RunCommand("pactl", {"-s", ServerAddress(), "info"}).ExitCode == 0; },
                                   30000))
            << Server->Output();
        TChildOptions watcherOptions;
        watcherOptions.Label = "pactl subscribe";
        Watcher = std::make_unique<TChildProcess>("pactl", QStringList{"-s", ServerAddress(), "subscribe"},
                                                  watcherOptions);
        ASSERT_TRUE(Watcher->HasStarted());
        WaitFor(300);  // the subscription is made before the first sound
    }

    void StopSoundServer()
    {
        Watcher.reset();
        Server.reset();
    }

    QString ServerAddress() const { return QString::fromStdString("unix:" + SocketPath()); }

    // Waits until the server has seen `count` streams since the watcher started.
    bool StreamsPlayed(int count)
    {
        return RunEventsUntil([&] { return StreamCount() >= count; }, 5000);
    }

    int StreamCount()
    {
        const std::string output = Watcher->Output();
        const std::string event = "Event 'new' on sink-input";
        int count = 0;
        for (auto at = output.find(event); at != std::string::npos; at = output.find(event, at + 1))
            ++count;
        return count;
    }

    QTemporaryDir Folder;
    TScopedEnvironment PulseServer{"PULSE_SERVER", "unix:" + SocketPath()};
    TScopedEnvironment Driver{"CANBERRA_DRIVER", ""};
    std::unique_ptr<TChildProcess> Server;
    std::unique_ptr<TChildProcess> Watcher;
};

TEST_F(CanberraBeepTest, BothKindsPlayThroughTheSoundServer)
{
    StartSoundServer();
    int played = 0;
    for (TBeepKind kind : {TBeepKind::Default, TBeepKind::Exclamation}) {
        EXPECT_TRUE(PlayThemeBell(kind));
        EXPECT_TRUE(StreamsPlayed(++played)) << Watcher->Output();
    }
}

TEST_F(CanberraBeepTest, NoSoundIsReportedWhereNoneCanBePlayed)
{
    // No server listens on the socket, and the test machine has no sound card.
    EXPECT_FALSE(PlayThemeBell(TBeepKind::Default));

    // The silent driver would say it played.
    StartSoundServer();
    {
        TScopedEnvironment silent("CANBERRA_DRIVER", "null");
        EXPECT_FALSE(PlayThemeBell(TBeepKind::Default));
    }
}

TEST_F(CanberraBeepTest, ASoundServerThatGoesAndComesBackIsFoundAgain)
{
    StartSoundServer();
    EXPECT_TRUE(PlayThemeBell(TBeepKind::Default));
    StopSoundServer();
    EXPECT_FALSE(PlayThemeBell(TBeepKind::Default));
    StartSoundServer();
    EXPECT_TRUE(PlayThemeBell(TBeepKind::Default));
    EXPECT_TRUE(StreamsPlayed(1)) << Watcher->Output();
}

TEST_F(CanberraBeepTest, EveryBeepIsCountedWhetherOrNotItSounds)
{
    TBeepRecorder beeps;
    MessageBeep(TBeepKind::Exclamation);
    StartSoundServer();
    MessageBeep();
    EXPECT_EQ(beeps.Count(), 2);
}

}  // namespace
