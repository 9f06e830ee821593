// Files and folders through Win32 calls on UTF-8 names; the attributes are the file attributes themselves.
#include "platform/FileSystem.h"

#include <windows.h>

#include <algorithm>
#include <string>

#include "platform/Win32Text.h"

namespace {

TFileResult Failure(DWORD error)
{
    return {false, SystemReason(error)};
}

bool IsSeparator(char character)
{
    return character == '\\' || character == '/';
}

DWORD AttributesOf(const std::string& name)
{
    return GetFileAttributesW(Wide(name).c_str());
}

// A read-only file can be neither deleted nor replaced until the attribute goes.
bool ClearReadOnly(const std::wstring& name, DWORD attributes)
{
    return !(attributes & FILE_ATTRIBUTE_READONLY) ||
           SetFileAttributesW(name.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
}

bool WriteAll(HANDLE file, const std::string& bytes)
{
    std::size_t written = 0;
    while (written < bytes.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - written, 1 << 20));
        DWORD count = 0;
        if (!WriteFile(file, bytes.data() + written, chunk, &count, nullptr) || count == 0)
            return false;
        written += count;
    }
    return true;
}

// Creates the file with the bytes, flushed to the disk; the handle's attributes apply from the start,
// so the file is never seen on the disk without them. `created` says whether a file was made.
bool CreateWithBytes(const std::wstring& name, const std::string& bytes, DWORD disposition, DWORD attributes,
                     bool& created)
{
    const HANDLE file = CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, disposition, attributes, nullptr);
    created = file != INVALID_HANDLE_VALUE;
    if (!created)
        return false;
    const bool written = WriteAll(file, bytes) && FlushFileBuffers(file);
    const bool closed = CloseHandle(file);
    return written && closed;
}

bool ReplaceWith(const std::wstring& from, const std::wstring& to)
{
    const DWORD targetAttributes = GetFileAttributesW(to.c_str());
    const bool targetExists = targetAttributes != INVALID_FILE_ATTRIBUTES;
    if (targetExists && !ClearReadOnly(to, targetAttributes))
        return false;
    if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    // The old file stays, read-only as it was.
    if (targetExists)
        SetFileAttributesW(to.c_str(), targetAttributes);
    return false;
}

}  // namespace

bool ApplyFileAttributes(const std::string& name, TFileAttributes attributes)
{
    return SetFileAttributesW(Wide(name).c_str(), static_cast<DWORD>(attributes));
}

bool IsRegularFile(const std::string& name)
{
    const DWORD attributes = AttributesOf(name);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return false;
    if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return true;
    // A link's own attributes say nothing of its target: open the target and ask.
    const HANDLE file = CreateFileW(Wide(name).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    BY_HANDLE_FILE_INFORMATION information{};
    const bool isFile = GetFileInformationByHandle(file, &information) &&
                        !(information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
    CloseHandle(file);
    return isFile;
}

TFileResult ReadWholeFile(const std::string& name, std::string& bytes)
{
    bytes.clear();
    const HANDLE file = CreateFileW(Wide(name).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return Failure(GetLastError());
    char buffer[4096];
    for (;;) {
        DWORD count = 0;
        if (!ReadFile(file, buffer, sizeof buffer, &count, nullptr)) {
            const DWORD error = GetLastError();
            CloseHandle(file);
            bytes.clear();
            return Failure(error);
        }
        if (count == 0)
            break;
        bytes.append(buffer, count);
    }
    CloseHandle(file);
    return {};
}

bool WriteNewFile(const std::string& name, const std::string& bytes, TFileAttributes attributes)
{
    bool created = false;
    if (CreateWithBytes(Wide(name), bytes, CREATE_NEW, static_cast<DWORD>(attributes), created))
        return true;
    // A file already there stays; one made here and half written goes.
    if (created)
        (void)RemoveFile(name);
    return false;
}

bool RemoveFile(const std::string& name)
{
    const std::wstring wide = Wide(name);
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        return false;
    // A link goes as it is: clearing read-only there would reach its target.
    if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        (void)ClearReadOnly(wide, attributes);
    if (DeleteFileW(wide.c_str()))
        return true;
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

bool RenameReplacing(const std::string& from, const std::string& to)
{
    return ReplaceWith(Wide(from), Wide(to));
}

bool WriteFileReplacing(const std::string& name, const std::string& bytes)
{
    // The process's own temporary name, so that two programs writing at once do not share one.
    const std::string temporary = name + ".new" + std::to_string(GetCurrentProcessId());
    const std::wstring wideTemporary = Wide(temporary);
    bool created = false;
    if (!CreateWithBytes(wideTemporary, bytes, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, created) ||
        !ReplaceWith(wideTemporary, Wide(name))) {
        DeleteFileW(wideTemporary.c_str());
        return false;
    }
    return true;
}

TFileResult CreatePrivateFolders(const std::string& folder, std::vector<std::string>& created)
{
    // The root is not made: "C:\", "\", or the "\\server\share\" of a network path.
    std::size_t root = 0;
    if (folder.size() >= 2 && folder[1] == ':')
        root = folder.size() >= 3 && IsSeparator(folder[2]) ? 3 : 2;
    else if (folder.size() >= 2 && IsSeparator(folder[0]) && IsSeparator(folder[1])) {
        const std::size_t server = folder.find_first_of("\\/", 2);
        const std::size_t share = server == std::string::npos ? server : folder.find_first_of("\\/", server + 1);
        root = share == std::string::npos ? folder.size() : share + 1;
    } else if (!folder.empty() && IsSeparator(folder[0]))
        root = 1;
    // Folders inherit the access of the folder they are made in, which in the user's profile is the user's own.
    for (std::size_t start = root;;) {
        const std::size_t separator = folder.find_first_of("\\/", start);
        const std::string part = folder.substr(0, separator);
        if (part.size() > root && !IsSeparator(part.back())) {
            if (CreateDirectoryW(Wide(part).c_str(), nullptr)) {
                created.push_back(part);
            } else {
                const DWORD error = GetLastError();
                // A folder already there, or one the user may not create but that exists anyway.
                const DWORD attributes = AttributesOf(part);
                if (error != ERROR_ALREADY_EXISTS &&
                    (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)))
                    return Failure(error);
            }
        }
        if (separator == std::string::npos)
            return {};
        start = separator + 1;
    }
}

bool RemoveEmptyFolder(const std::string& folder)
{
    return RemoveDirectoryW(Wide(folder).c_str());
}

TFileResult CheckWritableFolder(const std::string& folder)
{
    const DWORD attributes = AttributesOf(folder);
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return Failure(GetLastError());
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return Failure(ERROR_DIRECTORY);
    // A folder's read-only attribute says nothing of who may write there: creating a file does.
    std::string probe = folder;
    if (!probe.empty() && !IsSeparator(probe.back()))
        probe += '\\';
    probe += "Tolvane.~wr" + std::to_string(GetCurrentProcessId());
    const HANDLE file = CreateFileW(Wide(probe).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return Failure(GetLastError());
    CloseHandle(file);
    return {};
}
