#pragma once

#include "imaging/cDIBSection.h"

#include <cstdint>
#include <cstdio>
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
