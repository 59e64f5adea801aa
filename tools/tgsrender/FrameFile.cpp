#include "tools/tgsrender/FrameFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <thread>

namespace vantorix::tgs {

namespace {

void PutLittle(std::vector<std::uint8_t>& bytes, std::size_t offset, std::uint32_t value, int size) {
    for (int i = 0; i < size; ++i) bytes[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

[[noreturn]] void Fail(const std::string& path, int error) {
    throw std::runtime_error("cannot write \"" + path + "\": " + std::strerror(error));
}

}  // namespace

void WriteFrameFile(const std::string& path, int width, int height, const std::vector<std::uint8_t>& pixels,
                    const FrameWriting& writing) {
    constexpr std::uint32_t HeaderSize = 54;
    std::vector<std::uint8_t> file(HeaderSize, 0);
    file[0] = 'B';
    file[1] = 'M';
    PutLittle(file, 2, static_cast<std::uint32_t>(HeaderSize + pixels.size()), 4);
    PutLittle(file, 10, HeaderSize, 4);
    PutLittle(file, 14, 40, 4);
    PutLittle(file, 18, static_cast<std::uint32_t>(width), 4);
    PutLittle(file, 22, static_cast<std::uint32_t>(height), 4);
    PutLittle(file, 26, 1, 2);
    PutLittle(file, 28, 24, 2);
    PutLittle(file, 34, static_cast<std::uint32_t>(pixels.size()), 4);
    PutLittle(file, 38, 2835, 4);  // 72 dots per inch
    PutLittle(file, 42, 2835, 4);
    file.insert(file.end(), pixels.begin(), pixels.end());

    // Standard C streams in binary mode, so that the Windows build writes the same bytes.
    std::FILE* frame = std::fopen(path.c_str(), "wb");
    if (frame == nullptr) Fail(path, errno);
    const int pieces = std::max(writing.Pieces, 1);
    const std::size_t pieceSize = (file.size() + pieces - 1) / pieces;
    for (std::size_t at = 0; at < file.size();) {
        const std::size_t end = std::min(file.size(), at + pieceSize);
        if (std::fwrite(file.data() + at, 1, end - at, frame) != end - at || std::fflush(frame) != 0) {
            const int error = errno;
            std::fclose(frame);
            Fail(path, error);
        }
        at = end;
        if (at < file.size()) std::this_thread::sleep_for(writing.PiecePause);
    }
    if (std::fclose(frame) != 0) Fail(path, errno);
}

}  // namespace vantorix::tgs
