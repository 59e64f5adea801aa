#include "collect/RenderWatch.h"

#include "collect/FaceFileNames.h"
#include "platform/BmpHeader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>

namespace vantorix {

bool RenderIsComplete(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return false;
    struct stat status {};
    std::array<std::uint8_t, BmpHeaderBytes> header{};
    ssize_t got = -1;
    if (::fstat(fd, &status) == 0 && S_ISREG(status.st_mode)) got = ::pread(fd, header.data(), header.size(), 0);
    ::close(fd);
    if (got < 0) return false;
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
