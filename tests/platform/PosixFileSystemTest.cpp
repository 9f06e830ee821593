// Files and folders on Linux: the attributes as write permissions, new files, removal and the replacing writes.
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <ostream>

#include "platform/FileSystem.h"
#include "support/TestFiles.h"

namespace {

class FileSystemTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(Folder.isValid()); }

    std::string PathOf(const std::string& name) const { return Folder.path().toStdString() + "/" + name; }

    static mode_t ModeOf(const std::string& path)
    {
        struct stat status {};
        return stat(path.c_str(), &status) == 0 ? status.st_mode & 07777 : 0;
    }
    static bool Exists(const std::string& path)
    {
        struct stat status {};
        return lstat(path.c_str(), &status) == 0;
    }

    QTemporaryDir Folder;
};

struct TAttributeRow {
    const char* Name;
    mode_t Before;
    TFileAttributes Attributes;
    mode_t After;
};

void PrintTo(const TAttributeRow& row, std::ostream* out)
{
    *out << row.Name;
}

const TAttributeRow AttributeRows[] = {
    {"ArchiveLetsTheOwnerWrite", 0444, TFileAttributes::Archive, 0644},
    {"ArchiveLeavesGroupAndOthers", 0440, TFileAttributes::Archive, 0640},
    {"ArchiveOnAWritableFileChangesNothing", 0664, TFileAttributes::Archive, 0664},
    {"ReadOnlyArchiveLetsNobodyWrite", 0666, TFileAttributes::ReadOnlyArchive, 0444},
    {"ReadOnlyArchiveKeepsReadingAndRunning", 0754, TFileAttributes::ReadOnlyArchive, 0554},
};

class FileAttributeRows : public FileSystemTest, public ::testing::WithParamInterface<TAttributeRow> {};

TEST_P(FileAttributeRows, BecomeTheWritePermissions)
{
    const std::string path = PathOf("file");
    WriteTestFile(path, "x");
    ASSERT_EQ(chmod(path.c_str(), GetParam().Before), 0);
    ASSERT_TRUE(ApplyFileAttributes(path, GetParam().Attributes));
    EXPECT_EQ(ModeOf(path), GetParam().After);
}

INSTANTIATE_TEST_SUITE_P(FileSystem, FileAttributeRows, ::testing::ValuesIn(AttributeRows),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(FileSystemTest, NewFileHasItsBytesAndAttributesAndNeverReplacesAnother)
{
    const std::string path = PathOf("new");
    ASSERT_TRUE(WriteNewFile(path, "A=1\r\n", TFileAttributes::ReadOnlyArchive));
    EXPECT_EQ(ReadTestFile(path), "A=1\r\n");
    EXPECT_EQ(ModeOf(path) & 0222, 0u);

    EXPECT_FALSE(WriteNewFile(path, "B=2\r\n", TFileAttributes::Archive));
    EXPECT_EQ(ReadTestFile(path), "A=1\r\n") << "the file already there stays";
}

TEST_F(FileSystemTest, RemovalLeavesNoFileOfThatName)
{
    struct Row {
        const char* Name;
        bool Removed;
    };
    WriteTestFile(PathOf("read-only"), "x");
    ASSERT_EQ(chmod(PathOf("read-only").c_str(), 0444), 0);
    WriteTestFile(PathOf("target"), "x");
    ASSERT_EQ(chmod(PathOf("target").c_str(), 0444), 0);
    ASSERT_EQ(symlink(PathOf("target").c_str(), PathOf("link").c_str()), 0);
    ASSERT_EQ(mkdir(PathOf("folder").c_str(), 0700), 0);
    const Row rows[] = {
        {"missing", true},
        {"read-only", true},
        {"link", true},
        {"folder", false},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(RemoveFile(PathOf(row.Name)), row.Removed) << row.Name;
        EXPECT_EQ(Exists(PathOf(row.Name)), !row.Removed) << row.Name;
    }
    EXPECT_EQ(ModeOf(PathOf("target")), 0444u) << "a link's target keeps its attributes";
}

TEST_F(FileSystemTest, RenameReplacesAReadOnlyFileAndAMissingSourceChangesNothing)
{
    WriteTestFile(PathOf("old"), "old");
    ASSERT_EQ(chmod(PathOf("old").c_str(), 0444), 0);
    WriteTestFile(PathOf("new"), "new");
    ASSERT_TRUE(RenameReplacing(PathOf("new"), PathOf("old")));
    EXPECT_EQ(ReadTestFile(PathOf("old")), "new");
    EXPECT_FALSE(Exists(PathOf("new")));

    EXPECT_FALSE(RenameReplacing(PathOf("new"), PathOf("old")));
    EXPECT_EQ(ReadTestFile(PathOf("old")), "new");
}

TEST_F(FileSystemTest, ReplacingWriteLeavesNoTemporaryBehind)
{
    const std::string path = PathOf("Tolvane.conf");
    WriteTestFile(path, "old\n");
    ASSERT_TRUE(WriteFileReplacing(path, "new\n"));
    EXPECT_EQ(ReadTestFile(path), "new\n");
    EXPECT_FALSE(Exists(path + ".new" + std::to_string(getpid())));

    EXPECT_FALSE(WriteFileReplacing(PathOf("missing/Tolvane.conf"), "x"));
    EXPECT_FALSE(Exists(PathOf("missing")));
}

}  // namespace
