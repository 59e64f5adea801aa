#include "platform/FileSystem.h"

#include "platform/FileError.h"
#include "platform/ReplacementFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
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

// A rename is durable only once its folder is on disk too; a folder that
// cannot be synced (some file systems refuse) leaves the file no less whole.
void SyncFolder(const std::string& folder) {
    const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

void CopyAcrossFileSystems(const std::string& from, const std::string& to) {
    const int source = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat status {};
    if (source < 0 || ::fstat(source, &status) != 0) {
        const int error = errno;
        if (source >= 0) ::close(source);
        throw FileError("read", from, error);
    }
    try {
        ReplacementFile target(to);
        // What a rename would have kept.
        target.KeepModeAndTimes(status.st_mode, status.st_atim, status.st_mtim);
        std::vector<char> buffer(1 << 20);
        for (;;) {
            const ssize_t got = ::read(source, buffer.data(), buffer.size());
            if (got < 0 && errno == EINTR) continue;
            if (got < 0) throw FileError("read", from, errno);
            if (got == 0) break;
            target.Write({buffer.data(), static_cast<std::size_t>(got)});
        }
        target.Commit();
    } catch (...) {
        ::close(source);
        throw;
    }
    ::close(source);
}

}  // namespace

bool EntryExists(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;
}

std::optional<FileIdentity> IdentityOf(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) return std::nullopt;
    return FileIdentity{status.st_dev, status.st_ino};
}

bool MakeFolder(const std::string& path) {
    return ::mkdir(path.c_str(), 0777) == 0;
}

std::string FolderOf(const std::string& path) {
    const auto last = path.rfind(PathSeparator);
    return last == std::string::npos ? std::string() : path.substr(0, last + 1);
}

std::string TemporaryPathBeside(const std::string& path) {
    // A leading dot keeps the half-made file out of sight of anyone waiting for the real name.
    return FolderOf(path) + ".vantorix-" + RandomPart() + ".tmp";
}

int NewFileRefusal(const std::string& folder) {
    std::string probe = folder;
    if (!probe.empty() && probe.back() != PathSeparator) probe += PathSeparator;
    probe = TemporaryPathBeside(probe);
    const int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) return errno;
    ::close(fd);
    ::unlink(probe.c_str());
    return 0;
}

void RefuseReplacingReadOnly(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0 || S_ISDIR(status.st_mode)) return;
    if ((status.st_mode & S_IWUSR) == 0) throw FileError("replace", path, "the file is read-only");
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
            if (file.Identity == identity) return file.What;
        }
    }
    return std::nullopt;
}

void RefuseReplacingGuarded(const std::string& path) {
    const auto identity = IdentityOf(path);
    if (!identity) return;
    if (const auto what = GuardedAs(*identity)) throw FileError("replace", path, "it is " + *what);
}

void MoveIntoPlace(const std::string& from, const std::string& to) {
    if (std::rename(from.c_str(), to.c_str()) != 0) throw FileError("replace", to, errno);
    SyncFolder(FolderOf(to));
}

void MoveFile(const std::string& from, const std::string& to) {
    RefuseReplacingReadOnly(to);
    RefuseReplacingGuarded(to);
    if (std::rename(from.c_str(), to.c_str()) == 0) {
        SyncFolder(FolderOf(to));
        return;
    }
    if (errno != EXDEV) throw FileError("move \"" + from + "\" to", to, errno);
    CopyAcrossFileSystems(from, to);
    DeleteFile(from);
}

void DeleteFile(const std::string& path) {
    if (::unlink(path.c_str()) != 0) throw FileError("delete", path, errno);
}

}  // namespace vantorix
