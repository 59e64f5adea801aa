#pragma once

#include "export/CubeMapFaces.h"

#include <cstdint>
#include <string>

// KTX 2 cube maps, uncompressed VK_FORMAT_R8G8B8A8_SRGB, no supercompression:
//
//   identifier        12 bytes: «KTX 20»\r\n\x1A\n
//   Ktx2Header        68 bytes, little-endian (below): the format, the size,
//                     6 faces, the levels, where the data format descriptor
//                     and the key/value data lie
//   level index       per level, largest first: its data's offset, length,
//                     and length uncompressed (8 bytes each)
//   descriptor        92 bytes: its total size, then one basic block: RGBSDA,
//                     BT.709 primaries, sRGB transfer, 4 bytes a texel,
//                     samples R, G, B (8 bits each, from bit 0) and A (linear)
//   key/value data    "KTXorientation" "rd", "KTXwriter" "vantorix-export"
//   levels            smallest first, each on a 4-byte boundary; in each the
//                     faces +X, -X, +Y, -Y, +Z, -Z, rows from the top, each
//                     pixel red, green, blue, alpha (255)
//
// Faces and mip-map levels are those of the DDS files (see DdsFile).
namespace vantorix::cube {

inline constexpr std::uint8_t Ktx2Identifier[12] = {0xAB, 'K', 'T', 'X', ' ', '2', '0', 0xBB, '\r', '\n', 0x1A, '\n'};

#pragma pack(push, 4)  // the file puts the 64-bit fields on 4-byte boundaries of the struct
struct Ktx2Header {
    std::uint32_t VkFormat, TypeSize, PixelWidth, PixelHeight, PixelDepth, LayerCount, FaceCount, LevelCount,
        SupercompressionScheme;
    std::uint32_t DfdByteOffset, DfdByteLength, KvdByteOffset, KvdByteLength;
    std::uint64_t SgdByteOffset, SgdByteLength;
};
#pragma pack(pop)
static_assert(sizeof(Ktx2Header) == 68);

struct Ktx2Level {
    std::uint64_t ByteOffset, ByteLength, UncompressedByteLength;
};
static_assert(sizeof(Ktx2Level) == 24);

inline constexpr std::uint32_t VK_FORMAT_R8G8B8A8_SRGB = 43;

// Writes the cube map as a KTX 2 file through the replacing writer, with its
// mip-map levels when asked.
void WriteKtx2CubeMap(const std::string& path, const CubeMap& map, bool mipMaps);

}  // namespace vantorix::cube
