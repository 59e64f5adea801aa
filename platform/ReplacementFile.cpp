#include "platform/ReplacementFile.h"

#include "platform/FileError.h"
#include "platform/FileSystem.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace vantorix {

ReplacementFile::ReplacementFile(std::string path) : path_(std::move(path)) {
    for (int attempt = 0; fd_ < 0; ++attempt) {
        tempPath_ = TemporaryPathBeside(path_);
        fd_ = ::open(tempPath_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd_ < 0 && (errno != EEXIST || attempt == 100)) throw FileError("write", path_, errno);
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

void ReplacementFile::Commit() {
    if (::fsync(fd_) != 0) throw FileError("write", path_, errno);
    const int closed = ::close(fd_);
    fd_ = -1;
    if (closed != 0) throw FileError("write", path_, errno);
    MoveIntoPlace(tempPath_, path_);
    committed_ = true;
}

void ReplacementFile::Discard() noexcept {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    ::unlink(tempPath_.c_str());
}

}  // namespace vantorix
