#pragma once

#include "imaging/cDIBSection.h"

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>

namespace vantorix::testing {

// The blue, green, red bytes of a pixel as text "bb gg rr", so failures read well.
inline std::string PixelText(const std::uint8_t* bytes) {
    char text[9];
    std::snprintf(text, sizeof text, "%02x%02x%02x", bytes[0], bytes[1], bytes[2]);
    return text;
}

// Pixel (x, y) counted from the top left, as PixelText.
inline std::string PixelAt(const cDIBSection& bitmap, int x, int y) {
    const int memoryRow = bitmap.Height() - 1 - y;
    return PixelText(bitmap.DIBSectionBitsPtr() + memoryRow * bitmap.BytesPerScanLine() + 3 * x);
}

// Writes blue, green, red at (x, y) counted from the top left.
inline void SetPixel(cDIBSection& bitmap, int x, int y, std::uint8_t blue, std::uint8_t green, std::uint8_t red) {
    std::uint8_t* pixel = bitmap.DIBSectionBitsPtr() + (bitmap.Height() - 1 - y) * bitmap.BytesPerScanLine() + 3 * x;
    pixel[0] = blue;
    pixel[1] = green;
    pixel[2] = red;
}

// A renderer's plain BMP: the 54-byte header, then the rows bottom-up, each
// padded to 4 bytes with zeros; `pixel` gives the blue, green and red of (x,
// y) counted from the top left.
inline std::string PlainBmp(int width, int height, const std::function<void(int x, int y, std::uint8_t* bgr)>& pixel) {
    const int stride = (width * 3 + 3) & ~3;
    std::string bytes(54 + static_cast<std::size_t>(stride) * height, '\0');
    const auto put32 = [&](std::size_t at, std::uint32_t value) {
        for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>(value >> (8 * i));
    };
    bytes[0] = 'B';
    bytes[1] = 'M';
    put32(2, static_cast<std::uint32_t>(bytes.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, static_cast<std::uint32_t>(width));
    put32(22, static_cast<std::uint32_t>(height));
    bytes[26] = 1;
    bytes[28] = 24;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            pixel(x, y, reinterpret_cast<std::uint8_t*>(&bytes[54 + static_cast<std::size_t>(height - 1 - y) * stride + 3 * x]));
        }
    }
    return bytes;
}

// A TGA file: the 18-byte header, an ID field of idLength bytes, then `data`.
inline std::string TgaFile(int imageType, int width, int height, int depth, int descriptor, const std::string& data,
                           int idLength = 0) {
    std::string file(18, '\0');
    file[0] = static_cast<char>(idLength);
    file[2] = static_cast<char>(imageType);
    file[12] = static_cast<char>(width & 0xFF);
    file[13] = static_cast<char>((width >> 8) & 0xFF);
    file[14] = static_cast<char>(height & 0xFF);
    file[15] = static_cast<char>((height >> 8) & 0xFF);
    file[16] = static_cast<char>(depth);
    file[17] = static_cast<char>(descriptor);
    return file + std::string(static_cast<std::size_t>(idLength), 'I') + data;
}

}  // namespace vantorix::testing
