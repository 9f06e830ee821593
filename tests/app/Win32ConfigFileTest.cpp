// Tolvane.ini on Windows: the attributes the save leaves, the old file it replaces whatever its attributes,
// the bytes on the disk, and a folder the user may not write.
#include <gtest/gtest.h>

#include <windows.h>

#include <aclapi.h>

#include <string>
#include <vector>

#include "app/ConfigFile.h"
#include "app/ConfigFileFixture.h"

namespace {

DWORD AttributesOf(const char* name)
{
    return GetFileAttributesA(name);
}

// The file's bytes through ReadFile itself, past any C runtime that could translate line ends.
std::string BytesOnTheDisk(const char* name)
{
    const HANDLE file = CreateFileA(name, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return "<cannot open>";
    std::string bytes;
    char buffer[4096];
    DWORD count = 0;
    while (ReadFile(file, buffer, sizeof buffer, &count, nullptr) && count > 0)
        bytes.append(buffer, count);
    CloseHandle(file);
    return bytes;
}

TEST_F(ConfigFileTest, TheSavedFileIsReadOnlyAndArchive)
{
    ASSERT_TRUE(WriteConfigurationFile(BuildConfigurationLines(false, DesignBounds)));
    EXPECT_EQ(AttributesOf(ConfigFileName), static_cast<DWORD>(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE));
    EXPECT_EQ(AttributesOf(ConfigTemporaryFileName), INVALID_FILE_ATTRIBUTES);
}

// A user may have hidden the file, or a tool marked it as a system file: the next save replaces it all the same.
TEST_F(ConfigFileTest, AReSaveReplacesTheOldFileWhateverItsAttributes)
{
    struct Row {
        const char* Name;
        DWORD Attributes;  // 0: as the previous save left it
    };
    const Row rows[] = {
        {"as saved", 0},
        {"read-only", FILE_ATTRIBUTE_READONLY},
        {"hidden", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE},
        {"read-only, hidden and system", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM},
        {"plain", FILE_ATTRIBUTE_NORMAL},
    };
    int save = 0;
    for (const Row& row : rows) {
        ASSERT_TRUE(WriteConfigurationFile({"SAVE=" + std::to_string(++save)})) << row.Name;
        if (row.Attributes != 0) {
            ASSERT_TRUE(SetFileAttributesA(ConfigFileName, row.Attributes)) << row.Name;
        }
        ASSERT_TRUE(WriteConfigurationFile({"SAVE=" + std::to_string(++save)})) << row.Name;
        EXPECT_EQ(ReadBytes(ConfigFileName), "SAVE=" + std::to_string(save) + "\r\n") << row.Name;
        EXPECT_EQ(AttributesOf(ConfigFileName), static_cast<DWORD>(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE))
            << row.Name;
        EXPECT_EQ(AttributesOf(ConfigTemporaryFileName), INVALID_FILE_ATTRIBUTES) << row.Name;
    }
}

TEST_F(ConfigFileTest, EveryLineEndsInCrLfOnTheDisk)
{
    const std::vector<std::string> lines = BuildConfigurationLines(true, DesignBounds);
    ASSERT_TRUE(WriteConfigurationFile(lines));
    const std::string bytes = BytesOnTheDisk(ConfigFileName);
    std::size_t lineEnds = 0;
    for (std::size_t at = bytes.find('\n'); at != std::string::npos; at = bytes.find('\n', at + 1)) {
        EXPECT_TRUE(at > 0 && bytes[at - 1] == '\r') << "a bare LF at byte " << at;
        EXPECT_FALSE(at > 1 && bytes[at - 2] == '\r') << "CR CR LF at byte " << at;
        ++lineEnds;
    }
    EXPECT_EQ(lineEnds, lines.size());
    EXPECT_EQ(bytes.substr(bytes.size() - 2), "\r\n") << "the last line ends too";
}

// A folder whose access list lets everyone read and list it, and nothing more, while the object lives.
class TReadOnlyAccessFolder {
public:
    explicit TReadOnlyAccessFolder(const std::string& folder) : Folder(folder)
    {
        BYTE everyone[SECURITY_MAX_SID_SIZE];
        DWORD size = sizeof everyone;
        if (!CreateWellKnownSid(WinWorldSid, nullptr, everyone, &size))
            return;
        EXPLICIT_ACCESSA entry{};
        entry.grfAccessPermissions = FILE_GENERIC_READ | FILE_GENERIC_EXECUTE;
        entry.grfAccessMode = SET_ACCESS;
        entry.grfInheritance = NO_INHERITANCE;
        BuildTrusteeWithSidA(&entry.Trustee, everyone);
        PACL list = nullptr;
        if (SetEntriesInAclA(1, &entry, nullptr, &list) != ERROR_SUCCESS)
            return;
        Applied = SetNamedSecurityInfoA(const_cast<char*>(Folder.c_str()), SE_FILE_OBJECT,
                                        DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, nullptr,
                                        nullptr, list, nullptr) == ERROR_SUCCESS;
        LocalFree(list);
    }
    ~TReadOnlyAccessFolder()
    {
        // The owner may always change the list: no list at all lets everyone in again.
        if (Applied)
            SetNamedSecurityInfoA(const_cast<char*>(Folder.c_str()), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION,
                                  nullptr, nullptr, nullptr, nullptr);
    }
    TReadOnlyAccessFolder(const TReadOnlyAccessFolder&) = delete;
    TReadOnlyAccessFolder& operator=(const TReadOnlyAccessFolder&) = delete;

    bool Applied = false;

    // Whether a new file can still be made there: the list is then not enforced.
    bool StillTakesNewFiles() const
    {
        const std::string probe = Folder + "\\Tolvane.~probe";
        const HANDLE file = CreateFileA(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                        FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return false;
        CloseHandle(file);
        return true;
    }

private:
    std::string Folder;
};

TEST_F(ConfigFileTest, AFolderTheUserMayNotWriteFailsAndKeepsTheOldFile)
{
    WriteBytes(ConfigFileName, "ANT=ARSIF\r\n");
    ASSERT_TRUE(ApplyFileAttributes(ConfigFileName, TFileAttributes::ReadOnlyArchive));
    const TReadOnlyAccessFolder folder(Folder.path().toStdString());
    ASSERT_TRUE(folder.Applied);
    if (folder.StillTakesNewFiles())
        GTEST_SKIP() << "this system keeps the folder's access list but lets this user create files there anyway "
                        "(Wine run as root checks only the Unix permissions, which root passes)";
    EXPECT_FALSE(WriteConfigurationFile({"ANT=GS232"}));
    EXPECT_EQ(ReadBytes(ConfigFileName), "ANT=ARSIF\r\n");
    EXPECT_EQ(AttributesOf(ConfigTemporaryFileName), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
