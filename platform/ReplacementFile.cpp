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
// plain file of one link that the user may write: a link could lead the
// bytes into any file the user may write, a render of the run among them.
// Nothing of the old file is cut yet.
int OpenInPlace(const std::string& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW);
    if (fd < 0) return -1;
    struct stat status {};
    if (::fstat(fd, &status) == 0 && S_ISREG(status.st_mode) && status.st_nlink == 1 &&
        (status.st_mode & S_IWUSR) != 0 && !GuardedAs({status.st_dev, status.st_ino})) {
        return fd;
    }
    ::close(fd);
    return -1;
}

}  // namespace

ReplacementFile::ReplacementFile(std::string path, InPlaceWriting inPlace) : path_(std::move(path)) {
    RefuseReplacingReadOnly(path_);
    RefuseReplacingGuarded(path_);
    for (int attempt = 0; fd_ < 0; ++attempt) {
        writePath_ = TemporaryPathBeside(path_);
        fd_ = ::open(writePath_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd_ >= 0) break;
        const int error = errno;
        if (error == EEXIST && attempt < 100) continue;
        if ((error == EACCES || error == EPERM) && inPlace == InPlaceWriting::ForAPlainFile) {
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

void ReplacementFile::Fail(int errorNumber) const {
    throw FileError("write", path_, errorNumber,
                    WritesInPlace() ? "Its folder takes no new files, so it was being written where it stands, and "
                                      "it may now be damaged"
                                    : "");
}

void ReplacementFile::Write(std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd_, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            Fail(errno);
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
        written_ += written;
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
    // In place, the old file is cut only now, so that it never holds less than the new bytes.
    if (WritesInPlace() && ::ftruncate(fd_, written_) != 0) Fail(errno);
    if (keepModeAndTimes_ && (::fchmod(fd_, mode_) != 0 || ::futimens(fd_, times_) != 0)) Fail(errno);
    if (::fsync(fd_) != 0) Fail(errno);
    const int closed = ::close(fd_);
    fd_ = -1;
    if (closed != 0) Fail(errno);
    if (!WritesInPlace()) {
        // The folder may have changed while the file was written.
        RefuseReplacingGuarded(path_);
        MoveIntoPlace(writePath_, path_);
    }
    committed_ = true;
}

void ReplacementFile::Discard() noexcept {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (!WritesInPlace()) ::unlink(writePath_.c_str());
}

}  // namespace vantorix
