#include "platform/ReplacementFile.h"

#include "platform/FileError.h"
#include "platform/FileMapping.h"
#include "platform/FileSystem.h"

#include <fcntl.h>
#include <linux/falloc.h>
#include <limits.h>
#include <sys/uio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <vector>

namespace vantorix {

struct ReplacementFile::Kept {
    mode_t Mode;
    timespec Times[2];  // accessed, modified
};

namespace {

int Fd(std::intptr_t handle) { return static_cast<int>(handle); }

// The final path opened for writing where it stands, or -1 when it is not a
// plain file of one link that the user may write: a link could lead the
// bytes into any file the user may write, a render of the run among them.
// Nothing of the old file is cut yet.
int OpenInPlace(const std::string& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW);
    if (fd < 0) return -1;
    struct stat status {};
    if (::fstat(fd, &status) == 0 && S_ISREG(status.st_mode) && status.st_nlink == 1 &&
        (status.st_mode & S_IWUSR) != 0 && !GuardedAs(*IdentityOfOpenFile(fd))) {
        return fd;
    }
    ::close(fd);
    return -1;
}

}  // namespace

ReplacementFile::ReplacementFile(std::string path, InPlaceWriting inPlace) : path_(std::move(path)) {
    RefuseReplacingReadOnly(path_);
    RefuseReplacingGuarded(path_);
    for (int attempt = 0; handle_ < 0; ++attempt) {
        writePath_ = TemporaryPathBeside(path_);
        handle_ = ::open(writePath_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (handle_ >= 0) break;
        const int error = errno;
        if (error == EEXIST && attempt < 100) continue;
        // A group renames its files together at the end: none can be written in place.
        if ((error == EACCES || error == EPERM) && inPlace == InPlaceWriting::ForAPlainFile && !InGroup()) {
            handle_ = OpenInPlace(path_);
            if (handle_ >= 0) {
                writePath_ = path_;
                break;
            }
        }
        throw FileError("write", path_, error);
    }
    const auto identity = IdentityOfOpenFile(handle_);
    if (!identity) {
        const int error = errno;
        Discard();
        throw FileError("write", path_, error);
    }
    identity_ = *identity;
}

ReplacementFile::~ReplacementFile() {
    if (!committed_) Discard();
}

void ReplacementFile::Write(std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(Fd(handle_), bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            Fail(errno);
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
        written_ += written;
    }
}

void ReplacementFile::Write(std::span<const std::string_view> pieces) {
    std::vector<iovec> vectors;
    vectors.reserve(std::min<std::size_t>(pieces.size(), IOV_MAX));
    while (!pieces.empty()) {
        vectors.clear();
        for (std::size_t i = 0; i < pieces.size() && vectors.size() < IOV_MAX; ++i) {
            vectors.push_back({const_cast<char*>(pieces[i].data()), pieces[i].size()});
        }
        const ssize_t written = ::writev(Fd(handle_), vectors.data(), static_cast<int>(vectors.size()));
        if (written < 0) {
            if (errno == EINTR) continue;
            Fail(errno);
        }
        written_ += written;
        // Whole pieces written go; a piece written in part is finished on its own.
        auto left = static_cast<std::size_t>(written);
        while (!pieces.empty() && left >= pieces.front().size()) {
            left -= pieces.front().size();
            pieces = pieces.subspan(1);
        }
        if (left > 0) {
            Write(pieces.front().substr(left));
            pieces = pieces.subspan(1);
        }
    }
}

void ReplacementFile::CopyFrom(const FileMapping& source, std::size_t offset, std::size_t count) {
    const int from = static_cast<int>(source.Handle());
    bool kernelCopies = true;
    std::vector<char> buffer;
    while (count > 0) {
        ssize_t copied = -1;
        if (kernelCopies) {
            loff_t at = static_cast<loff_t>(offset);
            copied = ::copy_file_range(from, &at, Fd(handle_), nullptr, count, 0);
            // Not between these files (other file systems, older kernels): copy through a buffer.
            if (copied < 0 && (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP)) {
                kernelCopies = false;
                continue;
            }
        } else {
            buffer.resize(std::min<std::size_t>(count, std::size_t{1} << 20));
            copied = ::pread(from, buffer.data(), std::min(count, buffer.size()), static_cast<off_t>(offset));
            if (copied > 0) Write({buffer.data(), static_cast<std::size_t>(copied)});
        }
        if (copied < 0) {
            if (errno == EINTR) continue;
            // A failed read is the source's, a failed write this file's.
            const int error = errno;
            if (error == EIO || error == EBADF || error == EISDIR) throw FileError("read", source.Path(), error);
            Fail(error);
        }
        if (copied == 0) throw FileError("read", source.Path(), "it was cut short while it was being read");
        if (kernelCopies) written_ += copied;
        offset += static_cast<std::size_t>(copied);
        count -= static_cast<std::size_t>(copied);
    }
}

void ReplacementFile::Reserve(long long size) {
    // KEEP_SIZE: an old file written in place keeps its length until Commit.
    if (size <= 0 || ::fallocate(Fd(handle_), FALLOC_FL_KEEP_SIZE, 0, size) == 0) return;
    const int error = errno;
    if (error == EOPNOTSUPP || error == ENOSYS || error == EINTR) return;
    throw FileError("write", path_, error);
}

void ReplacementFile::StartFlush() noexcept {
    // On a disk that keeps writes in a cache of its own (a virtual machine's),
    // only a flush empties it: one running beside the writing leaves Commit's
    // little to wait for. One at a time; a flush still running is enough.
    if (flushRunning_.load()) return;
    EndFlush();
    flushRunning_ = true;
    try {
        flushing_ = std::thread([this, fd = Fd(handle_)] {
            // The system reports a failed write once: to whichever flush comes first.
            if (::fdatasync(fd) != 0) {
                int none = 0;
                flushError_.compare_exchange_strong(none, errno);
            }
            flushRunning_ = false;
        });
    } catch (...) {  // no thread to be had: Commit flushes it all
        flushRunning_ = false;
    }
}

void ReplacementFile::EndFlush() noexcept {
    if (flushing_.joinable()) flushing_.join();
}

void ReplacementFile::KeepAttributesOf(const std::string& source) {
    struct stat status {};
    if (::stat(source.c_str(), &status) != 0) throw FileError("read", source, errno);
    kept_ = std::make_unique<Kept>(Kept{static_cast<mode_t>(status.st_mode & 07777), {status.st_atim, status.st_mtim}});
}

void ReplacementFile::Commit() {
    if (CommitObserver()) CommitObserver()(*this);
    // In place, the old file is cut only now, so that it never holds less than the new bytes.
    if (WritesInPlace() && ::ftruncate(Fd(handle_), written_) != 0) Fail(errno);
    if (kept_ && (::fchmod(Fd(handle_), kept_->Mode) != 0 || ::futimens(Fd(handle_), kept_->Times) != 0)) Fail(errno);
    EndFlush();
    if (flushError_.load() != 0) Fail(flushError_.load());
    if (::fsync(Fd(handle_)) != 0) Fail(errno);
    const int closed = ::close(Fd(handle_));
    handle_ = -1;
    if (closed != 0) Fail(errno);
    if (!WritesInPlace()) RenameIntoPlace();
    committed_ = true;
}

void ReplacementFile::Discard() noexcept {
    EndFlush();
    if (handle_ >= 0) ::close(Fd(handle_));
    handle_ = -1;
    if (!WritesInPlace()) RemoveIfWritten(writePath_, identity_);
}

}  // namespace vantorix
