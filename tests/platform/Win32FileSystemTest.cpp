// Files and folders on Windows: the attributes as set and read back, a rename the system refuses, the
// system's words for an error, UTF-8 names and the folders.
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <windows.h>

#include <ostream>

#include "platform/FileSystem.h"
#include "platform/UserConfigurationFolder.h"
#include "support/TestFiles.h"

namespace {

class Win32FileSystemTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(Folder.isValid()); }

    std::string PathOf(const std::string& name) const { return Folder.path().toStdString() + "\\" + name; }

    static DWORD AttributesOf(const std::string& path) { return GetFileAttributesA(path.c_str()); }
    static bool Exists(const std::string& path) { return AttributesOf(path) != INVALID_FILE_ATTRIBUTES; }

    QTemporaryDir Folder;
};

struct TAttributeRow {
    const char* Name;
    DWORD Before;
    TFileAttributes Attributes;
    DWORD After;
};

void PrintTo(const TAttributeRow& row, std::ostream* out)
{
    *out << row.Name;
}

const TAttributeRow AttributeRows[] = {
    {"ArchiveClearsReadOnly", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE, TFileAttributes::Archive, 32},
    {"ArchiveOnAPlainFile", FILE_ATTRIBUTE_NORMAL, TFileAttributes::Archive, 32},
    {"ReadOnlyArchiveOnAWritableFile", FILE_ATTRIBUTE_ARCHIVE, TFileAttributes::ReadOnlyArchive, 33},
    {"ReadOnlyArchiveOnAPlainFile", FILE_ATTRIBUTE_NORMAL, TFileAttributes::ReadOnlyArchive, 33},
};

class Win32FileAttributeRows : public Win32FileSystemTest, public ::testing::WithParamInterface<TAttributeRow> {};

TEST_P(Win32FileAttributeRows, ReadBackAsSet)
{
    const std::string path = PathOf("file");
    WriteTestFile(path, "x");
    ASSERT_TRUE(SetFileAttributesA(path.c_str(), GetParam().Before));
    ASSERT_TRUE(ApplyFileAttributes(path, GetParam().Attributes));
    EXPECT_EQ(AttributesOf(path), GetParam().After);
    ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL));
}

INSTANTIATE_TEST_SUITE_P(Win32FileSystem, Win32FileAttributeRows, ::testing::ValuesIn(AttributeRows),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(Win32FileSystemTest, AttributesOfAMissingFileFail)
{
    EXPECT_FALSE(ApplyFileAttributes(PathOf("missing"), TFileAttributes::Archive));
}

TEST_F(Win32FileSystemTest, NewFileIsWrittenWithItsAttributes)
{
    const std::string path = PathOf("new");
    ASSERT_TRUE(WriteNewFile(path, "A=1\r\n", TFileAttributes::ReadOnlyArchive));
    EXPECT_EQ(AttributesOf(path), 33u);
}

TEST_F(Win32FileSystemTest, FailedRenameLeavesTheTargetReadOnlyAsItWas)
{
    WriteTestFile(PathOf("Tolvane.ini"), "old");
    ASSERT_TRUE(SetFileAttributesA(PathOf("Tolvane.ini").c_str(), 33));
    WriteTestFile(PathOf("Tolvane.~in"), "new");
    // Open without sharing, the target cannot be replaced.
    const HANDLE busy = CreateFileA(PathOf("Tolvane.ini").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(busy, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(RenameReplacing(PathOf("Tolvane.~in"), PathOf("Tolvane.ini")));
    CloseHandle(busy);
    EXPECT_EQ(AttributesOf(PathOf("Tolvane.ini")), 33u);
    EXPECT_EQ(ReadTestFile(PathOf("Tolvane.~in")), "new");
}

TEST_F(Win32FileSystemTest, ReadingAMissingFileSaysWhyInTheSystemsWords)
{
    std::string bytes = "left over";
    const TFileResult read = ReadWholeFile(PathOf("missing"), bytes);
    EXPECT_FALSE(read);
    EXPECT_FALSE(read.Reason.empty());
    EXPECT_EQ(read.Reason.find('\n'), std::string::npos);
    EXPECT_TRUE(bytes.empty());
}

TEST_F(Win32FileSystemTest, NamesAreUtf8)
{
    const std::string name = PathOf("\xc3\xa9t\xc3\xa9");  // "été"
    ASSERT_TRUE(WriteNewFile(name, "x", TFileAttributes::Archive));
    const std::wstring wide = Folder.path().toStdWString() + L"\\\u00e9t\u00e9";
    EXPECT_EQ(GetFileAttributesW(wide.c_str()), 32u);
    std::string bytes;
    EXPECT_TRUE(ReadWholeFile(name, bytes));
    EXPECT_EQ(bytes, "x");
}

TEST_F(Win32FileSystemTest, FoldersAreMadeLevelByLevelWithEitherSeparator)
{
    const std::string base = Folder.path().toStdString();
    std::vector<std::string> created;
    ASSERT_TRUE(CreatePrivateFolders(base + "\\a/b\\c", created));
    EXPECT_EQ(created, (std::vector<std::string>{base + "\\a", base + "\\a/b", base + "\\a/b\\c"}));
    EXPECT_TRUE(CheckWritableFolder(base + "\\a/b\\c"));

    created.clear();
    ASSERT_TRUE(CreatePrivateFolders(base + "\\a\\b\\", created));
    EXPECT_TRUE(created.empty()) << "folders already there are left as they are";

    WriteTestFile(PathOf("file"), "x");
    EXPECT_FALSE(CreatePrivateFolders(PathOf("file\\d"), created));
    EXPECT_FALSE(CheckWritableFolder(PathOf("file")));
    EXPECT_FALSE(CheckWritableFolder(PathOf("missing")));
    EXPECT_FALSE(RemoveEmptyFolder(base + "\\a"));
    EXPECT_TRUE(RemoveEmptyFolder(base + "\\a\\b\\c"));
}

TEST(Win32UserConfigurationFolder, IsTheRoamingApplicationData)
{
    EXPECT_EQ(UserConfigurationFolder({{"APPDATA", "C:\\Users\\op\\AppData\\Roaming"}, {"HOME", "C:\\x"}}),
              "C:\\Users\\op\\AppData\\Roaming");
    EXPECT_EQ(UserConfigurationFolder({{"HOME", "C:\\x"}}), "");
    EXPECT_FALSE(UserConfigurationFolder().empty());
}

}  // namespace
