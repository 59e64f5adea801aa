#pragma once

#include "platform/PictureMemory.h"

#include <cstddef>
#include <cstdint>
#include <new>
#include <vector>

namespace vantorix::cube {

// Memory for pictures: large blocks in the system's large pages where it has
// them (see AllocatePictureMemory).
template <typename T>
struct PixelAllocator {
    using value_type = T;
    PixelAllocator() = default;
    template <typename U>
    PixelAllocator(const PixelAllocator<U>&) {}

    T* allocate(std::size_t count) {
        if (void* memory = AllocatePictureMemory(count * sizeof(T))) return static_cast<T*>(memory);
        throw std::bad_alloc();
    }
    void deallocate(T* memory, std::size_t count) { FreePictureMemory(memory, count * sizeof(T)); }

    template <typename U>
    bool operator==(const PixelAllocator<U>&) const { return true; }
};

using PixelBytes = std::vector<std::uint8_t, PixelAllocator<std::uint8_t>>;

// The order of a pixel's three bytes: pictures are red, green, blue; BMP
// and TGA files hold blue, green, red.
enum class ChannelOrder { Rgb, Bgr };

// A picture as the export works on it: red, green, blue bytes per pixel,
// rows from the top, no padding.
struct RgbImage {
    int Width = 0;
    int Height = 0;
    PixelBytes Pixels;

    RgbImage() = default;
    RgbImage(int width, int height)
        : Width(width), Height(height), Pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3) {}

    std::uint8_t* At(int x, int y) { return Pixels.data() + (static_cast<std::size_t>(y) * Width + x) * 3; }
    const std::uint8_t* At(int x, int y) const {
        return Pixels.data() + (static_cast<std::size_t>(y) * Width + x) * 3;
    }
};

}  // namespace vantorix::cube
