#pragma once

#include <string>

namespace vantorix {

// The one place that knows the platform's path separator; every rule that
// appends, splits at or searches for a separator uses this.
inline constexpr char PathSeparator = '/';

// True when anything at all stands at the path: a folder, a file, a link.
bool EntryExists(const std::string& path);

// Makes one folder; false when the system refuses.
bool MakeFolder(const std::string& path);

// The folder part of a path: everything up to and including its last separator,
// or the empty text when it has none.
std::string FolderOf(const std::string& path);

// A fresh hidden name in the path's folder, for a file that is to replace it:
// the same file system, so the rename into place cannot fail halfway.
std::string TemporaryPathBeside(const std::string& path);

// Renames a finished file over the final path and puts the folder entry on
// disk; throws FileError naming the final path.
void MoveIntoPlace(const std::string& from, const std::string& to);

// Gives a file a new name, replacing a file of that name. Within one file
// system that is a rename; across file systems the bytes are copied beside
// the target, flushed and renamed into place, and only then is the source
// removed. Throws FileError naming the file the system refused.
void MoveFile(const std::string& from, const std::string& to);

// Removes a file; throws FileError when the system refuses.
void DeleteFile(const std::string& path);

}  // namespace vantorix
