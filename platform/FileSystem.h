// Files and folders by name, as the configuration files and the data folder use them. Names are
// relative to the working folder unless absolute.
#pragma once

#include <string>
#include <vector>

#include "platform/FileResult.h"

// The two attribute sets the program gives its files, by their Windows values.
enum class TFileAttributes : unsigned {
    Archive = 32,          // the owner may write
    ReadOnlyArchive = 33,  // nobody may write
};

// Gives an existing file the attributes; its other permissions stay as they are.
bool ApplyFileAttributes(const std::string& name, TFileAttributes attributes);

// True when the name is a file (through a symbolic link too), not a folder or nothing.
bool IsRegularFile(const std::string& name);

TFileResult ReadWholeFile(const std::string& name, std::string& bytes);

// Creates the file, which must not exist yet, with the bytes and the attributes, flushed to the
// disk; false when any step fails, and then no file of that name is left.
bool WriteNewFile(const std::string& name, const std::string& bytes, TFileAttributes attributes);

// Leaves no file of that name, removing a read-only one too; false when one is still there.
bool RemoveFile(const std::string& name);

// Gives the file `from` the name `to` in one step, replacing a file of that name whether read-only
// or not, and flushes the change to the disk; false when `from` keeps its name.
bool RenameReplacing(const std::string& from, const std::string& to);

// Writes a whole new file in place of the old one: a crash leaves the old or the new, never half a
// file. False when it could not be written; the old file is then as it was.
bool WriteFileReplacing(const std::string& name, const std::string& bytes);

// Creates the folder and each missing parent, private to the user, outermost first, naming in
// `created` those it made; a folder already there is left as it is.
TFileResult CreatePrivateFolders(const std::string& folder, std::vector<std::string>& created);
bool RemoveEmptyFolder(const std::string& folder);
// Done when the name is a folder that the user may enter and create files in.
TFileResult CheckWritableFolder(const std::string& folder);
