#pragma once

#include "imaging/PixelBlock.h"
#include "imaging/cDIBSection.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace vantorix {

// What LoadPictureFile reports. Everything else that goes wrong (a file that
// cannot be opened or read, a picture too large to address) is thrown, with
// a message naming the file.
namespace PictureStatus {
inline constexpr std::int16_t Loaded = 0;
inline constexpr std::int16_t TGADepthBelow24 = -1;
inline constexpr std::int16_t TGANotTrueColour = -2;  // image type neither 2 nor 10
inline constexpr std::int16_t NoBitmap = -3;          // no bitmap of the picture's size could be made
inline constexpr std::int16_t NotFound = -4;
inline constexpr std::int16_t NameIsFolder = -5;      // the name ends with the path separator
inline constexpr std::int16_t TGADepthUnsupported = -6;  // 24 bits or more, but neither 24 nor 32
}  // namespace PictureStatus

// The one shared bitmap every load fills; made on first use, kept to the end.
cDIBSection& LoadedPicture();

// Loads a file into LoadedPicture(). The name is looked up as a search
// pattern; a name ending in "tga" (any case, dot or not) is read by the TGA
// reader, an uncompressed 24-bit bottom-up BMP becomes a bitmap over the
// file itself (cDIBSection::CreateOverFile), anything else is read by the
// platform's picture loader. A failed load leaves the
// previous picture in place, except NoBitmap, and an error while reading a
// BMP's pixels, which leave none.
std::int16_t LoadPictureFile(const std::string& FileName);

// Where a picture file keeps its rows when they lie as a bitmap holds them
// (24 bits, blue, green, red): row y from the bottom at PixelOffset + y x RowBytes.
struct PlainRows {
    std::int32_t Width = 0, Height = 0;
    std::uint32_t PixelOffset = 0;
    std::int32_t RowBytes = 0;
};
// The rows of a renderer's usual frame, an uncompressed 24-bit bottom-up
// BMP, from the file's first 54 bytes, for a file of `fileSize` bytes that
// holds every row; nothing for any other file.
std::optional<PlainRows> FindPlainBmpRows(std::span<const std::uint8_t> header, long long fileSize);
// The same for a TGA file as the finisher writes one (uncompressed, 24
// bits, the first row stored the bottom one, each from the left), from its
// first 18 bytes.
std::optional<PlainRows> FindPlainTgaRows(std::span<const std::uint8_t> header, long long fileSize);

// Writes LoadedPicture() as a JPEG file; see WriteJPEG.
bool SavePictureAsJPEG(const std::string& FileName, std::int16_t Quality);

// Copies the pixels of the last successful load into the block, sized to
// 3 x Width columns and Height rows, memory rows in memory order. Throws
// std::logic_error when LoadedPicture() no longer holds that load, and
// FileError when the file it is a view of was cut short meanwhile.
void CopyPicturePixels(PixelBlock& Pixels);

// The TGA reader behind LoadPictureFile: uncompressed (type 2) and
// run-length (type 10) true-colour pictures of 24 or 32 bits. It honours the
// ID field, a colour map to skip and the origin bits.
std::int16_t LoadTGA(const std::string& FileName);

// Replaces run-length packets by Width x Height plain 3-byte pixels. Packet
// values are BytesPerPixel long; bytes past the third are dropped. Packets
// may cross row ends; excess pixels are dropped and pixels the data runs
// short of stay black.
void DecodeTGARLE(std::vector<std::uint8_t>& Data, std::int32_t Width, std::int32_t Height, int BytesPerPixel = 3);

// Replaces 4-byte pixels by their first three bytes.
void Convert32To24(std::vector<std::uint8_t>& Data);

}  // namespace vantorix
