#pragma once

#include "export/CubeMapFaces.h"
#include "export/SkyViews.h"

#include <cstdint>
#include <string>
#include <vector>

// DDS cube maps, uncompressed 32-bit, in the classic layout:
//
//   "DDS "            4 bytes
//   DdsHeader         124 bytes, little-endian 32-bit fields (below)
//   faces             +X, -X, +Y, -Y, +Z, -Z; each its main image, then its
//                     mip-map levels (each half the size before, down to 1 x 1)
//   image             rows from the top; each pixel blue, green, red, alpha (255)
//
// Flags: DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH | DDSD_PIXELFORMAT | DDSD_PITCH
// (pitch = width x 4), and DDSD_MIPMAPCOUNT with mip-maps. Pixel format:
// DDPF_RGB | DDPF_ALPHAPIXELS, 32 bits, masks 0x00FF0000 red, 0x0000FF00
// green, 0x000000FF blue, 0xFF000000 alpha. Caps: DDSCAPS_TEXTURE |
// DDSCAPS_COMPLEX, and DDSCAPS_MIPMAP with mip-maps; caps2: DDSCAPS2_CUBEMAP
// with all six face bits.
//
// Where the colour space must be stated, the pixel format is DDPF_FOURCC
// "DX10" instead, and a 20-byte DdsHeaderDx10 follows the header:
// DXGI_FORMAT_R8G8B8A8_UNORM_SRGB, a 2D texture, DDS_RESOURCE_MISC_TEXTURECUBE,
// an array of 1. Its texels are red, green, blue, alpha (the one sRGB
// format the common readers take), and its mip-maps are averaged in linear
// light, as a GPU filters an sRGB texture.
namespace vantorix::cube {

struct DdsPixelFormat {
    std::uint32_t Size, Flags, FourCC, RgbBitCount, RedMask, GreenMask, BlueMask, AlphaMask;
};
static_assert(sizeof(DdsPixelFormat) == 32);

struct DdsHeader {
    std::uint32_t Size, Flags, Height, Width, PitchOrLinearSize, Depth, MipMapCount;
    std::uint32_t Reserved1[11];
    DdsPixelFormat PixelFormat;
    std::uint32_t Caps, Caps2, Caps3, Caps4, Reserved2;
};
static_assert(sizeof(DdsHeader) == 124);

struct DdsHeaderDx10 {
    std::uint32_t DxgiFormat, ResourceDimension, MiscFlag, ArraySize, MiscFlags2;
};
static_assert(sizeof(DdsHeaderDx10) == 20);

inline constexpr std::uint32_t DDSD_CAPS = 0x1, DDSD_HEIGHT = 0x2, DDSD_WIDTH = 0x4, DDSD_PITCH = 0x8,
                               DDSD_PIXELFORMAT = 0x1000, DDSD_MIPMAPCOUNT = 0x20000;
inline constexpr std::uint32_t DDPF_ALPHAPIXELS = 0x1, DDPF_FOURCC = 0x4, DDPF_RGB = 0x40;
inline constexpr std::uint32_t FOURCC_DX10 = 0x30315844;  // "DX10"
inline constexpr std::uint32_t DXGI_FORMAT_R8G8B8A8_UNORM_SRGB = 29, D3D10_RESOURCE_DIMENSION_TEXTURE2D = 3,
                               DDS_RESOURCE_MISC_TEXTURECUBE = 0x4;
inline constexpr std::uint32_t DDSCAPS_COMPLEX = 0x8, DDSCAPS_TEXTURE = 0x1000, DDSCAPS_MIPMAP = 0x400000;
inline constexpr std::uint32_t DDSCAPS2_CUBEMAP = 0x200, DDSCAPS2_CUBEMAP_ALLFACES = 0xFC00;

// The header of a cube map with faces `size` wide, with or without mip-maps,
// its pixel format the classic masks or, for sRGB, the DX10 header's.
DdsHeader CubeMapHeader(int size, bool mipMaps, bool srgb = false);

// The mip-map chain of a face below it, down to 1 x 1: each level half the
// size of the one before (rounded down, at least 1), each texel the average
// of every texel of the level before that its footprint covers, weighted by
// how much of it is covered (for an even size, the plain 2 x 2 average):
// of the stored values, or of the light they encode in sRGB.
std::vector<RgbImage> MipMapChain(const RgbImage& face, Light light = Light::AsStored);

// Writes the cube map as a DDS file through the replacing writer; `srgb`
// states the colour space in the DX10 header.
void WriteDdsCubeMap(const std::string& path, const CubeMap& map, bool mipMaps, bool srgb = false);

}  // namespace vantorix::cube
