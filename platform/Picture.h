#pragma once

#include "platform/Gdi.h"

#include <string>

namespace vantorix {

// A picture read from a file: its value is a device-dependent bitmap, which
// the picture owns and deletes with itself.
class Picture {
public:
    Picture() = default;
    explicit Picture(gdi::HBITMAP handle) : handle_(handle) {}
    ~Picture();
    Picture(Picture&& other) noexcept : handle_(other.handle_) { other.handle_ = 0; }
    Picture& operator=(Picture&& other) noexcept;
    Picture(const Picture&) = delete;
    Picture& operator=(const Picture&) = delete;

    gdi::HBITMAP Handle() const noexcept { return handle_; }

private:
    gdi::HBITMAP handle_ = 0;
};

// Pictures up to this many MiB of decoded pixels load; 8192 x 8192 takes 256.
inline constexpr int PictureAllocationLimitMiB = 2048;

// Reads a BMP, PNG or PPM picture with Qt's image reader, the format judged by
// the contents. Throws FileError naming the file when it cannot be opened or
// read as a whole picture: a file that ends before its pixel data is refused
// rather than handed back with black rows.
Picture LoadPicture(const std::string& path);

}  // namespace vantorix
