#include "export/DdsFile.h"

#include "export/SkyViews.h"
#include "platform/ReplacementFile.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace vantorix::cube {

namespace {

static_assert(std::endian::native == std::endian::little, "DDS fields are written as they lie in memory");

// Blue, green, red, alpha; or red, green, blue, alpha.
void WriteFace(ReplacementFile& file, const RgbImage& image, bool rgba) {
    std::vector<char> row(static_cast<std::size_t>(image.Width) * 4);
    for (int y = 0; y < image.Height; ++y) {
        const std::uint8_t* in = image.At(0, y);
        for (int x = 0; x < image.Width; ++x, in += 3) {
            row[4 * x] = static_cast<char>(in[rgba ? 0 : 2]);
            row[4 * x + 1] = static_cast<char>(in[1]);
            row[4 * x + 2] = static_cast<char>(in[rgba ? 2 : 0]);
            row[4 * x + 3] = static_cast<char>(0xFF);
        }
        file.Write({row.data(), row.size()});
    }
}

}  // namespace

DdsHeader CubeMapHeader(int size, bool mipMaps, bool srgb) {
    DdsHeader header{};
    header.Size = sizeof(DdsHeader);
    header.Flags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH | DDSD_PIXELFORMAT | DDSD_PITCH |
                   (mipMaps ? DDSD_MIPMAPCOUNT : 0);
    header.Height = static_cast<std::uint32_t>(size);
    header.Width = static_cast<std::uint32_t>(size);
    header.PitchOrLinearSize = static_cast<std::uint32_t>(size) * 4;
    header.MipMapCount = mipMaps ? static_cast<std::uint32_t>(std::bit_width(static_cast<unsigned>(size))) : 0;
    header.PixelFormat = srgb ? DdsPixelFormat{sizeof(DdsPixelFormat), DDPF_FOURCC, FOURCC_DX10, 0, 0, 0, 0, 0}
                              : DdsPixelFormat{sizeof(DdsPixelFormat), DDPF_RGB | DDPF_ALPHAPIXELS, 0, 32,
                                               0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000};
    header.Caps = DDSCAPS_TEXTURE | DDSCAPS_COMPLEX | (mipMaps ? DDSCAPS_MIPMAP : 0);
    header.Caps2 = DDSCAPS2_CUBEMAP | DDSCAPS2_CUBEMAP_ALLFACES;
    return header;
}

std::vector<RgbImage> MipMapChain(const RgbImage& face, Light light) {
    std::vector<RgbImage> chain;
    chain.reserve(32);
    const RgbImage* above = &face;
    while (above->Width > 1 || above->Height > 1) {
        chain.push_back(ShrinkByArea(*above, std::max(1, above->Width / 2), std::max(1, above->Height / 2), light));
        above = &chain.back();
    }
    return chain;
}

void WriteDdsCubeMap(const std::string& path, const CubeMap& map, bool mipMaps, bool srgb) {
    ReplacementFile file(path);
    const DdsHeader header = CubeMapHeader(map[0].Width, mipMaps, srgb);
    file.Write("DDS ");
    file.Write({reinterpret_cast<const char*>(&header), sizeof header});
    if (srgb) {
        const DdsHeaderDx10 dx10{DXGI_FORMAT_R8G8B8A8_UNORM_SRGB, D3D10_RESOURCE_DIMENSION_TEXTURE2D,
                                 DDS_RESOURCE_MISC_TEXTURECUBE, 1, 0};
        file.Write({reinterpret_cast<const char*>(&dx10), sizeof dx10});
    }
    for (const RgbImage& face : map) {
        WriteFace(file, face, srgb);
        if (!mipMaps) continue;
        for (const RgbImage& level : MipMapChain(face, srgb ? Light::Srgb : Light::AsStored)) WriteFace(file, level, srgb);
    }
    file.Commit();
}

}  // namespace vantorix::cube
