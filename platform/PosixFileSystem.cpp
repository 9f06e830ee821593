// Files and folders through POSIX calls; the attributes are the write permissions.
#include "platform/FileSystem.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>

namespace {

constexpr mode_t AnyWrite = S_IWUSR | S_IWGRP | S_IWOTH;

TFileResult Failure(int error)
{
    return {false, std::strerror(error)};
}

mode_t ModeWithAttributes(mode_t mode, TFileAttributes attributes)
{
    mode &= 07777;
    return attributes == TFileAttributes::ReadOnlyArchive ? mode & ~AnyWrite : mode | S_IWUSR;
}

bool WriteAll(int file, const std::string& bytes)
{
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t count = write(file, bytes.data() + written, bytes.size() - written);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count <= 0) {
            return false;
        }
        written += static_cast<std::size_t>(count);
    }
    return true;
}

// A renamed file's new name reaches the disk with its folder.
void SyncFolderOf(const std::string& name)
{
    const std::size_t slash = name.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : name.substr(0, slash);
    const int directory = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (directory >= 0) {
        (void)fsync(directory);
        close(directory);
    }
}

}  // namespace

bool ApplyFileAttributes(const std::string& name, TFileAttributes attributes)
{
    struct stat status {};
    return stat(name.c_str(), &status) == 0 && chmod(name.c_str(), ModeWithAttributes(status.st_mode, attributes)) == 0;
}

bool IsRegularFile(const std::string& name)
{
    struct stat status {};
    return stat(name.c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

TFileResult ReadWholeFile(const std::string& name, std::string& bytes)
{
    bytes.clear();
    const int file = open(name.c_str(), O_RDONLY | O_CLOEXEC);
    if (file < 0) {
        return Failure(errno);
    }
    char buffer[4096];
    for (;;) {
        const ssize_t count = read(file, buffer, sizeof buffer);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count < 0) {
            const int error = errno;
            close(file);
            return Failure(error);
        }
        if (count == 0) {
            break;
        }
        bytes.append(buffer, static_cast<std::size_t>(count));
    }
    close(file);
    return {};
}

bool WriteNewFile(const std::string& name, const std::string& bytes, TFileAttributes attributes)
{
    const int file = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (file < 0) {
        return false;
    }
    struct stat status {};
    // The attributes come before the flush, so the file is never seen on the disk without them.
    const bool written = WriteAll(file, bytes) && fstat(file, &status) == 0 &&
                         fchmod(file, ModeWithAttributes(status.st_mode, attributes)) == 0 && fsync(file) == 0;
    const bool closed = close(file) == 0;
    if (!written || !closed) {
        (void)unlink(name.c_str());
        return false;
    }
    return true;
}

bool RemoveFile(const std::string& name)
{
    struct stat status {};
    if (lstat(name.c_str(), &status) != 0) {
        return errno == ENOENT;
    }
    // Archive only first, as Windows needs before it deletes; unlink alone would do here, so a
    // failure to change the mode does not stop it.
    if (S_ISREG(status.st_mode)) {
        (void)chmod(name.c_str(), ModeWithAttributes(status.st_mode, TFileAttributes::Archive));
    }
    return unlink(name.c_str()) == 0 || errno == ENOENT;
}

bool RenameReplacing(const std::string& from, const std::string& to)
{
    // rename replaces the target in one step, whatever its permissions.
    if (rename(from.c_str(), to.c_str()) != 0) {
        return false;
    }
    SyncFolderOf(to);
    return true;
}

bool WriteFileReplacing(const std::string& name, const std::string& bytes)
{
    // The process's own temporary name, so that two programs writing at once do not share one.
    const std::string temporary = name + ".new" + std::to_string(getpid());
    {
        std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
        file << bytes;
        file.flush();
        if (!file) {
            std::remove(temporary.c_str());
            return false;
        }
    }
    if (std::rename(temporary.c_str(), name.c_str()) != 0) {
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}

TFileResult CreatePrivateFolders(const std::string& folder, std::vector<std::string>& created)
{
    for (std::size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
        const std::string part = folder.substr(0, slash);
        if (mkdir(part.c_str(), 0700) == 0)
            created.push_back(part);
        else if (errno != EEXIST)
            return Failure(errno);
        if (slash == std::string::npos)
            return {};
    }
}

bool RemoveEmptyFolder(const std::string& folder)
{
    return rmdir(folder.c_str()) == 0;
}

TFileResult CheckWritableFolder(const std::string& folder)
{
    struct stat status {};
    if (stat(folder.c_str(), &status) != 0)
        return Failure(errno);
    if (!S_ISDIR(status.st_mode))
        return Failure(ENOTDIR);
    if (access(folder.c_str(), W_OK | X_OK) != 0)
        return Failure(errno);
    return {};
}
