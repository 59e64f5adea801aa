#pragma once

#include "export/RgbImage.h"

#include <string>

namespace vantorix::cube {

// Writes a picture in the kind its name's extension says: .png, .jpg (or
// .jpeg, quality 95), .tga (24-bit, uncompressed) or .bmp (24-bit), through
// the replacing writer, so an older file is replaced whole or not at all.
// Throws std::invalid_argument for any other extension, FileError when the
// file cannot be written.
void WriteImageFile(const std::string& path, const RgbImage& image);

// True for a name WriteImageFile can write.
bool IsImageFileName(const std::string& path);

}  // namespace vantorix::cube
