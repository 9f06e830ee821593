// Files by name as both platforms keep them: new files never replace, removal and renames get past
// a read-only file, and the replacing write leaves no temporary behind. The attributes themselves, as
// each system stores them, are in the platform's own test.
#include <QCoreApplication>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/FileSystem.h"
#include "support/TestFiles.h"

namespace {

class FileSystemTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(Folder.isValid()); }

    // Both systems take '/' between folders.
    std::string PathOf(const std::string& name) const { return Folder.path().toStdString() + "/" + name; }

    static bool Exists(const std::string& path)
    {
        std::error_code error;
        return std::filesystem::exists(std::filesystem::symlink_status(path, error));
    }
    static void MakeReadOnly(const std::string& path)
    {
        ASSERT_TRUE(ApplyFileAttributes(path, TFileAttributes::ReadOnlyArchive)) << path;
    }

    QTemporaryDir Folder;
};

TEST_F(FileSystemTest, NewFileHasItsBytesAndNeverReplacesAnother)
{
    const std::string path = PathOf("new");
    ASSERT_TRUE(WriteNewFile(path, "A=1\r\n", TFileAttributes::ReadOnlyArchive));
    EXPECT_EQ(ReadTestFile(path), "A=1\r\n");

    EXPECT_FALSE(WriteNewFile(path, "B=2\r\n", TFileAttributes::Archive));
    EXPECT_EQ(ReadTestFile(path), "A=1\r\n") << "the file already there stays";
    EXPECT_FALSE(WriteNewFile(PathOf("missing/new"), "x", TFileAttributes::Archive));
}

TEST_F(FileSystemTest, RemovalLeavesNoFileOfThatName)
{
    struct Row {
        const char* Name;
        bool Removed;
    };
    WriteTestFile(PathOf("read-only"), "x");
    MakeReadOnly(PathOf("read-only"));
    std::filesystem::create_directory(PathOf("folder"));
    const Row rows[] = {
        {"missing", true},
        {"missing-folder/file", true},
        {"read-only", true},
        {"folder", false},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(RemoveFile(PathOf(row.Name)), row.Removed) << row.Name;
        EXPECT_EQ(Exists(PathOf(row.Name)), !row.Removed) << row.Name;
    }
}

TEST_F(FileSystemTest, RenameReplacesAReadOnlyFileAndAMissingSourceChangesNothing)
{
    WriteTestFile(PathOf("old"), "old");
    MakeReadOnly(PathOf("old"));
    WriteTestFile(PathOf("new"), "new");
    ASSERT_TRUE(RenameReplacing(PathOf("new"), PathOf("old")));
    EXPECT_EQ(ReadTestFile(PathOf("old")), "new");
    EXPECT_FALSE(Exists(PathOf("new")));

    EXPECT_FALSE(RenameReplacing(PathOf("new"), PathOf("old")));
    EXPECT_EQ(ReadTestFile(PathOf("old")), "new");
}

TEST_F(FileSystemTest, ReplacingWriteReplacesAReadOnlyFileAndLeavesNoTemporaryBehind)
{
    const std::string path = PathOf("Tolvane.conf");
    WriteTestFile(path, "old\n");
    MakeReadOnly(path);
    ASSERT_TRUE(WriteFileReplacing(path, "new\n"));
    EXPECT_EQ(ReadTestFile(path), "new\n");
    EXPECT_FALSE(Exists(path + ".new" + std::to_string(QCoreApplication::applicationPid())));

    EXPECT_FALSE(WriteFileReplacing(PathOf("missing/Tolvane.conf"), "x"));
    EXPECT_FALSE(Exists(PathOf("missing")));
}

}  // namespace
