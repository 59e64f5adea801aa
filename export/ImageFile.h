#pragma once

#include "export/RgbImage.h"
#include "platform/ReplacementFile.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vantorix::cube {

// Writes a picture in the kind its name's extension says: .png, .jpg (or
// .jpeg, quality 95), .tga (24-bit, uncompressed) or .bmp (24-bit), through
// the replacing writer, so an older file is replaced whole or not at all.
// Throws std::invalid_argument for any other extension, FileError when the
// file cannot be written.
void WriteImageFile(const std::string& path, const RgbImage& image);

// True for a name WriteImageFile can write.
bool IsImageFileName(const std::string& path);

// True for a name that ends in .png.
bool IsPngFileName(const std::string& path);

// True for a kind whose rows lie in the file from the bottom up (.bmp, .tga),
// which can be written a few rows at a time as they are made.
bool IsBottomUpImageFileName(const std::string& path);

// A BMP or TGA file written a block of rows at a time, from the bottom row
// up, through the replacing writer; no whole picture is ever held.
class BottomUpImageFile {
public:
    BottomUpImageFile(const std::string& path, int width, int height);

    // Takes `count` rows of `width` pixels, the lowest row first; rows in
    // red, green, blue are turned into the file's blue, green, red in place.
    void WriteRows(std::uint8_t* rows, int count, ChannelOrder order = ChannelOrder::Rgb);

    // Once every row is written: flushes the file and renames it into place.
    void Commit();

private:
    ReplacementFile file_;
    int width_;
    std::size_t rowBytes_;  // in the file, padding included
    std::vector<char> padding_;
    std::size_t unflushed_ = 0;
};

}  // namespace vantorix::cube
