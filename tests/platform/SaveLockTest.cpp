// The save's lock: one holder per folder at a time, a waiting copy served once the holder lets go.
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

#include "platform/SaveLock.h"

namespace {

class SaveLockTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(Folder.isValid()); }

    QTemporaryDir Folder;
};

TEST_F(SaveLockTest, IsHeldByOneAtATime)
{
    const std::string folder = Folder.path().toStdString();
    auto first = std::make_unique<TSaveLock>(folder);
    ASSERT_TRUE(first->Held());
    EXPECT_FALSE(TSaveLock(folder, 50).Held()) << "a second holder would share the temporary file";
    first.reset();
    EXPECT_TRUE(TSaveLock(folder, 50).Held()) << "released with its holder";
}

TEST_F(SaveLockTest, WaitingCopyGetsItOnceReleased)
{
    const std::string folder = Folder.path().toStdString();
    auto first = std::make_unique<TSaveLock>(folder);
    ASSERT_TRUE(first->Held());
    std::atomic<bool> waiting{false}, held{false};
    std::thread second([&] {
        waiting = true;
        held = TSaveLock(folder).Held();
    });
    while (!waiting)
        std::this_thread::yield();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    first.reset();
    second.join();
    EXPECT_TRUE(held);
}

TEST_F(SaveLockTest, MissingFolderLeavesItNotHeld)
{
    EXPECT_FALSE(TSaveLock(Folder.path().toStdString() + "/missing").Held());
}

}  // namespace
