#include "collect/RenderWatch.h"

#include "collect/FaceFileNames.h"
#include "platform/BmpHeader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>

namespace vantorix {

bool RenderIsComplete(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) return false;
    // Only a header that can be read and falls short of its pixels means the
    // renderer is still writing; a file that cannot be read is finishing's to report.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return true;
    std::array<std::uint8_t, BmpHeaderBytes> header{};
    ssize_t got = -1;
    if (::fstat(fd, &status) == 0) got = ::pread(fd, header.data(), header.size(), 0);
    ::close(fd);
    if (got < 0) return true;
    return CheckBmpHeader({header.data(), static_cast<std::size_t>(got)}, status.st_size) != BmpHeaderCheck::CutShort;
}

bool AllRendersPresent(const SkyboxJob& job, const std::string& programFolder) {
    const FaceFileNames names = ComposeFaceFileNames(job, programFolder);
    bool allPresent = true;
    for (int face = 0; face < SkyboxFaceCount; ++face) {
        if (job.Render[face] && !RenderIsComplete(names.RenderName[face])) allPresent = false;
    }
    return allPresent;
}

}  // namespace vantorix
