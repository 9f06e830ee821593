// The test's device folder, made with the system's own calls apart from the code under test.
#include "support/PosixDeviceTree.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <filesystem>

#include "support/TestFiles.h"

namespace fs = std::filesystem;

TDeviceTree::TDeviceTree()
{
    // Readable by anyone, as /dev is, for the tests that drop to an ordinary user.
    chmod(Root.path().toLocal8Bit().constData(), 0755);
}

std::string TDeviceTree::Path() const
{
    return Root.path().toStdString();
}

std::string TDeviceTree::PathOf(const std::string& name) const
{
    return Path() + "/" + name;
}

bool TDeviceTree::Device(const std::string& name, unsigned major, unsigned minor, unsigned mode, unsigned group)
{
    const std::string path = PathOf(name);
    std::error_code error;
    fs::create_directories(fs::path(path).parent_path(), error);
    return mknod(path.c_str(), S_IFCHR | 0600, makedev(major, minor)) == 0 && chown(path.c_str(), 0, group) == 0
        && chmod(path.c_str(), mode) == 0;
}

bool TDeviceTree::Link(const std::string& name, const std::string& target)
{
    const std::string path = PathOf(name);
    std::error_code error;
    fs::create_directories(fs::path(path).parent_path(), error);
    return symlink(target.c_str(), path.c_str()) == 0;
}

bool TDeviceTree::File(const std::string& name, const std::string& bytes)
{
    WriteTestFile(PathOf(name), bytes);
    return fs::is_regular_file(PathOf(name));
}

bool TDeviceTree::Folder(const std::string& name)
{
    std::error_code error;
    return fs::create_directories(PathOf(name), error);
}

std::map<std::string, std::string> FolderSnapshot(const std::string& folder)
{
    std::map<std::string, std::string> snapshot;
    std::error_code error;
    for (fs::directory_iterator entry(folder, error), end; !error && entry != end; entry.increment(error)) {
        const fs::path path = entry->path();
        const fs::file_status status = fs::symlink_status(path);
        std::string& line = snapshot[path.filename().string()];
        if (fs::is_symlink(status))
            line = "link to " + fs::read_symlink(path).string();
        else if (fs::is_regular_file(status))
            line = "file: " + ReadTestFile(path.string());
        else if (fs::is_directory(status))
            line = "folder";
        else
            line = "other";
    }
    return snapshot;
}
