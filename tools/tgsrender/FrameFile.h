#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace vantorix::tgs {

// How a frame reaches the disk: at once, or like a slow renderer, in
// `Pieces` parts with a pause after each but the last, so that a reader can
// find the file there but unfinished.
struct FrameWriting {
    int Pieces = 1;
    std::chrono::milliseconds PiecePause{0};
};

// Writes a 24-bit bottom-up BMP straight under its name, as a renderer does
// (no temporary file). Throws std::runtime_error naming the file.
void WriteFrameFile(const std::string& path, int width, int height, const std::vector<std::uint8_t>& pixels,
                    const FrameWriting& writing = {});

}  // namespace vantorix::tgs
