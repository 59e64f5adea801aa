#include "platform/ReplacementFile.h"

#include "platform/FileError.h"
#include "platform/FileSystem.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <random>

namespace vantorix {

namespace {

std::string RandomSuffix() {
    static std::mt19937_64 generator{std::random_device{}()};
    static constexpr char digits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    std::uniform_int_distribution<std::size_t> pick(0, sizeof digits - 2);
    std::string suffix(8, '0');
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

}  // namespace

ReplacementFile::ReplacementFile(std::string path) : path_(std::move(path)) {
    const std::string folder = FolderOf(path_);
    const std::string name = path_.substr(folder.size());
    for (int attempt = 0; fd_ < 0; ++attempt) {
        // A leading dot keeps the half-made file out of sight of anyone waiting for the real name.
        tempPath_ = folder + "." + name + "." + RandomSuffix() + ".tmp";
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
    if (::rename(tempPath_.c_str(), path_.c_str()) != 0) throw FileError("replace", path_, errno);
    committed_ = true;
    SyncFolder(FolderOf(path_));
}

void ReplacementFile::Discard() noexcept {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    ::unlink(tempPath_.c_str());
}

}  // namespace vantorix
