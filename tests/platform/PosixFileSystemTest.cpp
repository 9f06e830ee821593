// Files on Linux: the attributes as write permissions, and links.
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <ostream>

#include "platform/FileSystem.h"
#include "support/TestFiles.h"

namespace {

class PosixFileSystemTest : public ::testing::Test {
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

class FileAttributeRows : public PosixFileSystemTest, public ::testing::WithParamInterface<TAttributeRow> {};

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

TEST_F(PosixFileSystemTest, NewFileIsWrittenWithItsAttributesAsPermissions)
{
    const std::string path = PathOf("new");
    ASSERT_TRUE(WriteNewFile(path, "A=1\r\n", TFileAttributes::ReadOnlyArchive));
    EXPECT_EQ(ModeOf(path) & 0222, 0u);
}

// A link is removed as a name; what it leads to stays as it was.
TEST_F(PosixFileSystemTest, RemovingALinkLeavesItsTarget)
{
    WriteTestFile(PathOf("target"), "x");
    ASSERT_EQ(chmod(PathOf("target").c_str(), 0444), 0);
    ASSERT_EQ(symlink(PathOf("target").c_str(), PathOf("link").c_str()), 0);
    EXPECT_TRUE(RemoveFile(PathOf("link")));
    EXPECT_FALSE(Exists(PathOf("link")));
    EXPECT_EQ(ModeOf(PathOf("target")), 0444u);
    EXPECT_EQ(ReadTestFile(PathOf("target")), "x");
}

}  // namespace
