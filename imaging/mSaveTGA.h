#pragma once

#include "imaging/PixelBlock.h"
#include "imaging/cDIBSection.h"

#include <cstdint>
#include <string>

namespace vantorix {

// Writes the first Width x Height pixels of the block as an uncompressed
// 24-bit TGA: the 18-byte header (bottom-left origin), then the rows as they
// lie in the block, row 0 first, and nothing after. An empty name writes
// nothing. The file is replaced whole or not at all, but for a plain file
// in a folder that takes no new files, which is written where it stands.
//
// Throws std::overflow_error for a width or height above 32767 or a size
// beyond 32 bits, std::out_of_range for a negative size or a block too small,
// both before any file is touched, and FileError when the file cannot be
// written.
void SaveTGA(const std::string& FileName, const PixelBlock& Pixels, std::int32_t Width, std::int32_t Height);

// The same file, written straight from the bitmap's rows, with no pixel
// block between: a bitmap over a file whose rows need no padding has them
// copied file to file by the kernel. An empty bitmap gives the header alone.
// Throws as SaveTGA does, and FileError naming the file the bitmap is a
// view of when that was cut short meanwhile (nothing is replaced then).
void SaveBitmapAsTGA(const std::string& FileName, const cDIBSection& Bitmap);

}  // namespace vantorix
