#include "platform/FileSystem.h"

#include "platform/FileError.h"
#include "platform/ReplacementFile.h"

#include "platform/InputFile.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstdint>
#include <mutex>
#include <random>
#include <vector>

namespace vantorix {

namespace {

std::string RandomPart() {
    static std::mt19937_64 generator{std::random_device{}()};
    static constexpr char digits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    std::uniform_int_distribution<std::size_t> pick(0, sizeof digits - 2);
    std::string suffix(12, '0');
    for (char& c : suffix) c = digits[pick(generator)];
    return suffix;
}

// Where the system cannot rename across file systems: the bytes are copied
// beside the target with what a rename keeps, flushed, renamed into place.
// Returns the identity of the file copied.
FileIdentity CopyAcrossFileSystems(const std::string& from, const std::string& to) {
    const InputFile source(from);
    const auto copied = IdentityOfOpenFile(source.Handle());
    if (!copied) throw FileError("read", from, errno);
    ReplacementFile target(to);
    target.KeepAttributesOf(from);  // before the read can touch its access time
    std::vector<std::uint8_t> buffer(std::size_t{1} << 20);
    for (long long offset = 0;;) {
        const std::size_t got = source.ReadAt(offset, buffer.data(), buffer.size());
        if (got == 0) break;
        target.Write({reinterpret_cast<const char*>(buffer.data()), got});
        offset += static_cast<long long>(got);
    }
    target.Commit();
    return *copied;
}

}  // namespace

namespace {

bool SameEntry(const FileIdentity& a, const FileIdentity& b) {
    return a.Device == b.Device && a.Inode == b.Inode && a.InodeHigh == b.InodeHigh;
}

}  // namespace

bool SameFile(const FileIdentity& a, const FileIdentity& b) {
    if (a.Inode != b.Inode || a.InodeHigh != b.InodeHigh) return false;
    return a.Device == b.Device || (a.Size == b.Size && a.Modified == b.Modified);
}

bool Unchanged(const FileIdentity& was, const FileIdentity& is) {
    return SameEntry(was, is) && was.Size == is.Size && was.Modified == is.Modified;
}

std::string FolderOf(const std::string& path) {
    const auto last = std::find_if(path.rbegin(), path.rend(), IsPathSeparator);
    return last == path.rend() ? std::string() : path.substr(0, static_cast<std::size_t>(path.rend() - last));
}

bool IsAbsolutePath(const std::string& path) {
#ifdef _WIN32
    const bool drive = path.size() >= 3 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':' &&
                       IsPathSeparator(path[2]);
    return drive || (!path.empty() && IsPathSeparator(path[0]));
#else
    return !path.empty() && path[0] == '/';
#endif
}

std::string HomeFolder() {
#ifdef _WIN32
    const char* home = std::getenv("USERPROFILE");
#else
    const char* home = std::getenv("HOME");
#endif
    return home != nullptr ? home : "";
}

std::string TemporaryPathBeside(const std::string& path) {
    // A leading dot keeps the half-made file out of sight of anyone waiting for the real name.
    return FolderOf(path) + ".vantorix-" + RandomPart() + ".tmp";
}

namespace {

std::mutex guardsLock;
std::vector<const std::vector<GuardedFiles::File>*> guards;

}  // namespace

GuardedFiles::GuardedFiles(std::vector<File> files) : files_(std::move(files)) {
    const std::lock_guard lock(guardsLock);
    guards.push_back(&files_);
}

GuardedFiles::~GuardedFiles() {
    const std::lock_guard lock(guardsLock);
    std::erase(guards, &files_);
}

std::optional<std::string> GuardedAs(const FileIdentity& identity) {
    const std::lock_guard lock(guardsLock);
    for (const auto* files : guards) {
        for (const GuardedFiles::File& file : *files) {
            if (SameFile(file.Identity, identity)) return file.What;
        }
    }
    return std::nullopt;
}

void RefuseReplacingGuarded(const std::string& path) {
    const auto identity = IdentityOf(path);
    if (!identity) return;
    if (const auto what = GuardedAs(*identity)) throw FileError("replace", path, "it is " + *what);
}

bool NamesFile(const std::string& path, const FileIdentity& file) {
    const auto entry = EntryIdentityOf(path);
    return entry && SameEntry(*entry, file);
}

void MoveIntoPlace(const std::string& from, const std::string& to, const FileIdentity& written) {
    if (!NamesFile(from, written)) {
        throw FileError("replace", to,
                        "its new version was written as \"" + from +
                            "\", and another program put something else under that name meanwhile");
    }
    if (const int error = RenameReplacing(from, to)) throw FileError("replace", to, error);
}

bool MoveFile(const std::string& from, const std::string& to) {
    RefuseReplacingReadOnly(to);
    RefuseReplacingGuarded(to);
    const int error = RenameReplacing(from, to);
    if (error == 0) return true;
    if (error != EXDEV) throw FileError("move \"" + from + "\" to", to, error);
    // Another program may put a new file under the old name while the copy
    // runs, or the copy may have landed on the source itself (a mirror).
    return DeleteFileIfUnchanged(from, CopyAcrossFileSystems(from, to));
}

}  // namespace vantorix
