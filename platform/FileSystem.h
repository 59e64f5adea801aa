#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace vantorix {

// The one place that knows the platform's path separator; every rule that
// appends, splits at or searches for a separator uses this.
#ifdef _WIN32
inline constexpr char PathSeparator = '\\';
#else
inline constexpr char PathSeparator = '/';
#endif

// True for a character that separates a path's pieces: the separator, and
// on Windows also "/", which Windows takes as well.
constexpr bool IsPathSeparator(char c) {
#ifdef _WIN32
    return c == '\\' || c == '/';
#else
    return c == '/';
#endif
}

// True for a path that needs no folder to start from: "/..." on Linux;
// "C:\...", "\\server\..." (and "\..." on the current drive) on Windows.
bool IsAbsolutePath(const std::string& path);

// The user's home folder (HOME, or on Windows USERPROFILE), or empty.
std::string HomeFolder();

// A path as the standard library's file system calls take it, from the
// program's UTF-8, and back (on Windows their narrow strings are not UTF-8).
inline std::filesystem::path FsPath(const std::string& utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}
inline std::string Utf8Path(const std::filesystem::path& path) {
    const std::u8string utf8 = path.u8string();
    return std::string(utf8.begin(), utf8.end());
}

// True when anything at all stands at the path: a folder, a file, a link.
bool EntryExists(const std::string& path);

// What the file system knows an entry by, whatever the path's spelling, and
// its size and last write when it was looked at.
struct FileIdentity {
    unsigned long long Device = 0;
    unsigned long long Inode = 0;
    unsigned long long InodeHigh = 0;  // Windows' 128-bit file ids (ReFS)
    long long Size = 0;
    long long Modified = 0;  // nanoseconds (Windows: 100 ns)
};

// Whether two identities may be one file: the same device and inode, or the
// same inode, size and last write on another device, which is how a mirror of
// a folder (FUSE, a share of a local folder) shows a file. A false "same"
// refuses a write; a false "other" could destroy a file.
bool SameFile(const FileIdentity& a, const FileIdentity& b);

// Whether two identities are one file unchanged since both were taken: the
// same device, inode, size and last write.
bool Unchanged(const FileIdentity& was, const FileIdentity& is);

// The identity of what the path leads to (links followed); none when nothing does.
std::optional<FileIdentity> IdentityOf(const std::string& path);

// The identity of the entry the path names itself (a link is not followed).
std::optional<FileIdentity> EntryIdentityOf(const std::string& path);

// Whether the path itself (a link not followed) still names the file of that
// identity, by device and inode, however it has changed since.
bool NamesFile(const std::string& path, const FileIdentity& file);

// The identity of a file held open: a descriptor, or a Windows handle.
std::optional<FileIdentity> IdentityOfOpenFile(std::intptr_t handle);

// What stands at the path when it is something other than a file (links
// followed): "a folder", "a named pipe", "a device", "a socket"; empty when
// it is a file or nothing stands there.
std::string WhatIsNoFile(const std::string& path);

// Makes one folder; false when the system refuses.
bool MakeFolder(const std::string& path);

// 0 when a folder stands at the path, else why none can be made there: an
// errno value (ENOTDIR where something else stands).
int FolderRefusal(const std::string& path);

// The folder part of a path: everything up to and including its last separator,
// or the empty text when it has none.
std::string FolderOf(const std::string& path);

// A fresh hidden name in the path's folder, for a file that is to replace it:
// the same file system, so the rename into place cannot fail halfway. Its
// length does not depend on the path's own name, so any name the file system
// takes can be replaced.
std::string TemporaryPathBeside(const std::string& path);

// 0 when a new file can be made in the folder (tried with a hidden file that
// is removed at once), else the system's reason, an errno value.
int NewFileRefusal(const std::string& folder);

// The one rule for every writer that replaces a file: a read-only file (the
// owner may not write it) is never replaced. Throws FileError naming it; a
// path where nothing stands passes.
void RefuseReplacingReadOnly(const std::string& path);

// While a guard lives, no writer of this program replaces, moves onto or
// writes into the files it holds: the renders of a run while they are being
// finished, the faces an export reads. They may still be deleted.
class GuardedFiles {
public:
    struct File {
        FileIdentity Identity;
        std::string What;  // "the render of the Up face"
    };
    explicit GuardedFiles(std::vector<File> files);
    ~GuardedFiles();
    GuardedFiles(const GuardedFiles&) = delete;
    GuardedFiles& operator=(const GuardedFiles&) = delete;

private:
    std::vector<File> files_;
};

// What a living guard calls the file, or none when no guard holds it.
std::optional<std::string> GuardedAs(const FileIdentity& identity);

// Throws FileError naming the path when what it leads to (links followed)
// is guarded; a path where nothing stands passes.
void RefuseReplacingGuarded(const std::string& path);

// Renames a finished file over the final path and puts the folder entry on
// disk; throws FileError naming the final path. The name `from` must still
// lead to the file written (`written`: its device and inode), not to what
// another process may have put in its place.
void MoveIntoPlace(const std::string& from, const std::string& to, const FileIdentity& written);

// Gives a file a new name, replacing a file of that name. Within one file
// system that is a rename; across file systems the bytes, the permission bits
// and the access and write times are copied beside the target, flushed and
// renamed into place, and only then is the source removed, if its name still
// leads to the file copied: false when it did not and the source was kept.
// A read-only or guarded file at the new name is not replaced, nor is a file
// in a folder that takes no new files written where it stands. Throws
// FileError naming the file the system refused.
bool MoveFile(const std::string& from, const std::string& to);

// Removes a file; throws FileError when the system refuses.
void DeleteFile(const std::string& path);

// Removes the file at the path only while the path still leads to the file
// `was` describes, unchanged: false, and nothing removed, when it does not.
// Throws FileError when the system refuses.
bool DeleteFileIfUnchanged(const std::string& path, const FileIdentity& was);

// Gives a file a new name, replacing what stands there, within one file
// system: 0, or the system's reason (an errno value; EXDEV across file
// systems). The folder entry is on disk when it returns 0.
int RenameReplacing(const std::string& from, const std::string& to);

}  // namespace vantorix
