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

std::optional<FileIdentity> IdentityOf(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) return std::nullopt;
    return FileIdentity{status.st_dev, status.st_ino};
}

bool MakeFolder(const std::string& path) {
    return ::mkdir(path.c_str(), 0777) == 0;
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

void MoveIntoPlace(const std::string& from, const std::string& to) {
    if (std::rename(from.c_str(), to.c_str()) != 0) throw FileError("replace", to, errno);
    SyncFolder(FolderOf(to));
}

int RenameReplacing(const std::string& from, const std::string& to) {
    if (std::rename(from.c_str(), to.c_str()) != 0) return errno;
    SyncFolder(FolderOf(to));
    return 0;
}

void DeleteFile(const std::string& path) {
    if (::unlink(path.c_str()) != 0) throw FileError("delete", path, errno);
}

int WriteWholeFile(const std::string& path, const void* bytes, std::size_t size) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) return errno;
    const auto* at = static_cast<const char*>(bytes);
    int error = 0;
    while (size > 0 && error == 0) {
        const ssize_t written = ::write(fd, at, size);
        if (written < 0) {
            if (errno != EINTR) error = errno;
            continue;
        }
        at += written;
        size -= static_cast<std::size_t>(written);
    }
    if (error == 0 && ::fsync(fd) != 0) error = errno;
    if (::close(fd) != 0 && error == 0) error = errno;
    return error;
}

}  // namespace vantorix
