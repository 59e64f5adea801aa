#include "platform/FileSystem.h"

#include "platform/FileError.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace vantorix {

namespace {

// A rename is durable only once its folder is on disk too; a folder that
// cannot be synced (some file systems refuse) leaves the file no less whole.
void SyncFolder(const std::string& folder) {
    const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

}  // namespace

bool EntryExists(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;
}

namespace {

FileIdentity IdentityFrom(const struct stat& status) {
    return {status.st_dev, status.st_ino, 0, status.st_size,
            status.st_mtim.tv_sec * 1'000'000'000LL + status.st_mtim.tv_nsec};
}

}  // namespace

std::optional<FileIdentity> IdentityOf(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) return std::nullopt;
    return IdentityFrom(status);
}

std::optional<FileIdentity> EntryIdentityOf(const std::string& path) {
    struct stat status {};
    if (::lstat(path.c_str(), &status) != 0) return std::nullopt;
    return IdentityFrom(status);
}

std::optional<FileIdentity> IdentityOfOpenFile(std::intptr_t handle) {
    struct stat status {};
    if (::fstat(static_cast<int>(handle), &status) != 0) return std::nullopt;
    return IdentityFrom(status);
}

std::string WhatIsNoFile(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0 || S_ISREG(status.st_mode)) return "";
    if (S_ISDIR(status.st_mode)) return "a folder";
    if (S_ISFIFO(status.st_mode)) return "a named pipe";
    if (S_ISSOCK(status.st_mode)) return "a socket";
    return "a device";
}

bool MakeFolder(const std::string& path) {
    return ::mkdir(path.c_str(), 0777) == 0;
}

int FolderRefusal(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) == 0) return S_ISDIR(status.st_mode) ? 0 : ENOTDIR;
    return ::mkdir(path.c_str(), 0777) == 0 ? 0 : errno;
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

int RenameReplacing(const std::string& from, const std::string& to) {
    if (std::rename(from.c_str(), to.c_str()) != 0) return errno;
    SyncFolder(FolderOf(to));
    return 0;
}

void DeleteFile(const std::string& path) {
    if (::unlink(path.c_str()) != 0) throw FileError("delete", path, errno);
}

bool DeleteFileIfUnchanged(const std::string& path, const FileIdentity& was) {
    // The name itself, not where a link put there would lead.
    const auto entry = EntryIdentityOf(path);
    if (!entry || !Unchanged(was, *entry)) return false;
    DeleteFile(path);
    return true;
}

}  // namespace vantorix
