#pragma once

#include "platform/PictureMemory.h"

#include <cstddef>
#include <cstdint>
#include <new>
#include <utility>
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

    // Made without a value, an element is left as it is, not zeroed: a
    // picture about to be filled would otherwise have every page written twice.
    template <typename U>
    void construct(U* at) noexcept {
        ::new (static_cast<void*>(at)) U;
    }
    template <typename U, typename... Arguments>
    void construct(U* at, Arguments&&... arguments) {
        ::new (static_cast<void*>(at)) U(std::forward<Arguments>(arguments)...);
    }

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
    // Black.
    RgbImage(int width, int height) : Width(width), Height(height), Pixels(Bytes(width, height), 0) {}
    // For a caller about to write every pixel: its bytes are not set first.
    struct ToBeFilled {};
    RgbImage(int width, int height, ToBeFilled) : Width(width), Height(height), Pixels(Bytes(width, height)) {}

    std::uint8_t* At(int x, int y) { return Pixels.data() + (static_cast<std::size_t>(y) * Width + x) * 3; }
    const std::uint8_t* At(int x, int y) const {
        return Pixels.data() + (static_cast<std::size_t>(y) * Width + x) * 3;
    }

private:
    static std::size_t Bytes(int width, int height) {
        return static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3;
    }
};

}  // namespace vantorix::cube
