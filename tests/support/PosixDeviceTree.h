// A device folder of the test's own under a temporary folder: character devices made with mknod, links,
// files, as /dev holds them.
#pragma once

#include <QTemporaryDir>

#include <map>
#include <string>

class TDeviceTree {
public:
    TDeviceTree();

    std::string Path() const;
    std::string PathOf(const std::string& name) const;
    // A character device `name` (a path inside the tree) with the given numbers, permissions and group.
    bool Device(const std::string& name, unsigned major, unsigned minor, unsigned mode = 0660, unsigned group = 0);
    // A symbolic link `name` leading to `target`, folders made on the way.
    bool Link(const std::string& name, const std::string& target);
    bool File(const std::string& name, const std::string& bytes = "x");
    bool Folder(const std::string& name);

private:
    QTemporaryDir Root;
};

// What a folder holds, one line per entry: links with their target, files with their bytes, folders and
// devices by kind. Two snapshots compare equal when nothing in the folder was written.
std::map<std::string, std::string> FolderSnapshot(const std::string& folder);
