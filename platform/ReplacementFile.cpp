#include "platform/ReplacementFile.h"

#include "platform/FileError.h"
#include "platform/FileSystem.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace vantorix {

namespace {

// The final path opened for writing where it stands, or -1 when it is not a
// file the user may write.
int OpenInPlace(const std::string& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NONBLOCK);
    struct stat status {};
    if (fd >= 0 && ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode) && ::ftruncate(fd, 0) == 0) return fd;
    if (fd >= 0) ::close(fd);
    return -1;
}

}  // namespace

ReplacementFile::ReplacementFile(std::string path) : path_(std::move(path)) {
    RefuseReplacingReadOnly(path_);
    for (int attempt = 0; fd_ < 0; ++attempt) {
        writePath_ = TemporaryPathBeside(path_);
        fd_ = ::open(writePath_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd_ >= 0) break;
        const int error = errno;
        if (error == EEXIST && attempt < 100) continue;
        if (error == EACCES || error == EPERM) {
            fd_ = OpenInPlace(path_);
            if (fd_ >= 0) {
                writePath_ = path_;
                break;
            }
        }
        throw FileError("write", path_, error);
    }
}

ReplacementFile::~ReplacementFile() {
    if (!committed_) Discard();
}

void ReplacementFile::Write(std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd_, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            throw FileError("write", path_, errno);
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
}

void ReplacementFile::StartFlush() noexcept {
    ::sync_file_range(fd_, 0, 0, SYNC_FILE_RANGE_WRITE);  // advice: Commit's fsync still decides
}

void ReplacementFile::KeepModeAndTimes(mode_t mode, timespec accessed, timespec modified) {
    keepModeAndTimes_ = true;
    mode_ = mode & 07777;
    times_[0] = accessed;
    times_[1] = modified;
}

void ReplacementFile::Commit() {
    if (keepModeAndTimes_ && (::fchmod(fd_, mode_) != 0 || ::futimens(fd_, times_) != 0)) {
        throw FileError("write", path_, errno);
    }
    if (::fsync(fd_) != 0) throw FileError("write", path_, errno);
    const int closed = ::close(fd_);
    fd_ = -1;
    if (closed != 0) throw FileError("write", path_, errno);
    if (!WritesInPlace()) MoveIntoPlace(writePath_, path_);
    committed_ = true;
}

void ReplacementFile::Discard() noexcept {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (!WritesInPlace()) ::unlink(writePath_.c_str());
}

}  // namespace vantorix
