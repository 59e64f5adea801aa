#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vantorix::cube {

// A picture as the export works on it: red, green, blue bytes per pixel,
// rows from the top, no padding.
struct RgbImage {
    int Width = 0;
    int Height = 0;
    std::vector<std::uint8_t> Pixels;

    RgbImage() = default;
    RgbImage(int width, int height)
        : Width(width), Height(height), Pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3) {}

    std::uint8_t* At(int x, int y) { return Pixels.data() + (static_cast<std::size_t>(y) * Width + x) * 3; }
    const std::uint8_t* At(int x, int y) const {
        return Pixels.data() + (static_cast<std::size_t>(y) * Width + x) * 3;
    }
};

}  // namespace vantorix::cube
