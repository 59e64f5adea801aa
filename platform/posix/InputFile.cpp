#include "platform/InputFile.h"

#include "platform/FileError.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace vantorix {

std::optional<InputFile> InputFile::TryOpen(const std::string& path, int& error) {
    error = 0;
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) return std::nullopt;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0 || ::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        error = fd < 0 || errno != 0 ? errno : 0;
        if (fd >= 0) ::close(fd);
        return std::nullopt;
    }
    InputFile file;
    file.path_ = path;
    file.handle_ = fd;
    file.size_ = status.st_size;
    return file;
}

InputFile::InputFile(const std::string& path) : path_(path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat status {};
    if (fd < 0 || ::fstat(fd, &status) != 0) {
        const int error = errno;
        if (fd >= 0) ::close(fd);
        throw FileError("open", path, error);
    }
    if (!S_ISREG(status.st_mode)) {
        ::close(fd);
        throw FileError("open", path, "it is not a file");
    }
    handle_ = fd;
    size_ = status.st_size;
}

InputFile::InputFile(InputFile&& other) noexcept
    : path_(std::move(other.path_)), handle_(other.handle_), size_(other.size_) {
    other.handle_ = -1;
}

InputFile::~InputFile() {
    if (handle_ >= 0) ::close(static_cast<int>(handle_));
}

std::size_t InputFile::ReadAt(long long offset, std::uint8_t* buffer, std::size_t count) const {
    std::size_t done = 0;
    while (done < count) {
        const ssize_t got =
            ::pread(static_cast<int>(handle_), buffer + done, count - done, static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) throw FileError("read", path_, errno);
        if (got == 0) break;
        done += static_cast<std::size_t>(got);
    }
    return done;
}

}  // namespace vantorix
