#pragma once

#include <cstdint>
#include <span>

namespace vantorix {

// What the start of a file says about a BMP picture in it.
enum class BmpHeaderCheck {
    NotBmp,       // it does not begin with "BM"
    Complete,     // the file holds every pixel byte its header asks for
    CutShort,     // the header, or the pixels it describes, run past the end of the file
    UnknownKind,  // a header size no BMP reader here knows
};

// The number of leading bytes CheckBmpHeader looks at.
inline constexpr std::size_t BmpHeaderBytes = 54;

// Judges a file by its first bytes (up to BmpHeaderBytes; fewer where the
// file is shorter) and its length: uncompressed pictures need their rows
// after the pixel offset, compressed ones the image size they state.
BmpHeaderCheck CheckBmpHeader(std::span<const std::uint8_t> start, long long fileSize);

}  // namespace vantorix
