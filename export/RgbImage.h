#pragma once

#include <sys/mman.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <vector>

namespace vantorix::cube {

// Memory for pictures: a large block is aligned to and advised into 2 MiB
// pages where the system has them, so that filling a panorama of hundreds of
// megabytes takes hundreds of page faults instead of hundreds of thousands.
template <typename T>
struct PixelAllocator {
    using value_type = T;
    PixelAllocator() = default;
    template <typename U>
    PixelAllocator(const PixelAllocator<U>&) {}

    T* allocate(std::size_t count) {
        constexpr std::size_t HugePage = std::size_t{2} << 20;
        const std::size_t bytes = count * sizeof(T);
        if (bytes < HugePage) {
            if (void* memory = std::malloc(bytes == 0 ? 1 : bytes)) return static_cast<T*>(memory);
            throw std::bad_alloc();
        }
        void* memory = nullptr;
        if (::posix_memalign(&memory, HugePage, (bytes + HugePage - 1) / HugePage * HugePage) != 0) {
            throw std::bad_alloc();
        }
        ::madvise(memory, bytes, MADV_HUGEPAGE);  // advice only: without huge pages it is ordinary memory
        return static_cast<T*>(memory);
    }
    void deallocate(T* memory, std::size_t) { std::free(memory); }

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
