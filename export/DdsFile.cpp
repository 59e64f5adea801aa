#include "export/DdsFile.h"

#include "platform/ReplacementFile.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace vantorix::cube {

namespace {

static_assert(std::endian::native == std::endian::little, "DDS fields are written as they lie in memory");

void WriteFace(ReplacementFile& file, const RgbImage& image) {
    std::vector<char> row(static_cast<std::size_t>(image.Width) * 4);
    for (int y = 0; y < image.Height; ++y) {
        const std::uint8_t* in = image.At(0, y);
        for (int x = 0; x < image.Width; ++x, in += 3) {
            row[4 * x] = static_cast<char>(in[2]);
            row[4 * x + 1] = static_cast<char>(in[1]);
            row[4 * x + 2] = static_cast<char>(in[0]);
            row[4 * x + 3] = static_cast<char>(0xFF);
        }
        file.Write({row.data(), row.size()});
    }
}

}  // namespace

DdsHeader CubeMapHeader(int size, bool mipMaps) {
    DdsHeader header{};
    header.Size = sizeof(DdsHeader);
    header.Flags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH | DDSD_PIXELFORMAT | DDSD_PITCH |
                   (mipMaps ? DDSD_MIPMAPCOUNT : 0);
    header.Height = static_cast<std::uint32_t>(size);
    header.Width = static_cast<std::uint32_t>(size);
    header.PitchOrLinearSize = static_cast<std::uint32_t>(size) * 4;
    header.MipMapCount = mipMaps ? static_cast<std::uint32_t>(std::bit_width(static_cast<unsigned>(size))) : 0;
    header.PixelFormat = {sizeof(DdsPixelFormat), DDPF_RGB | DDPF_ALPHAPIXELS, 0, 32,
                          0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000};
    header.Caps = DDSCAPS_TEXTURE | DDSCAPS_COMPLEX | (mipMaps ? DDSCAPS_MIPMAP : 0);
    header.Caps2 = DDSCAPS2_CUBEMAP | DDSCAPS2_CUBEMAP_ALLFACES;
    return header;
}

std::vector<RgbImage> MipMapChain(const RgbImage& face) {
    std::vector<RgbImage> chain;
    chain.reserve(32);
    const RgbImage* above = &face;
    while (above->Width > 1 || above->Height > 1) {
        RgbImage level(std::max(1, above->Width / 2), std::max(1, above->Height / 2));
        for (int y = 0; y < level.Height; ++y) {
            const int y0 = std::min(2 * y, above->Height - 1), y1 = std::min(2 * y + 1, above->Height - 1);
            for (int x = 0; x < level.Width; ++x) {
                const int x0 = std::min(2 * x, above->Width - 1), x1 = std::min(2 * x + 1, above->Width - 1);
                for (int c = 0; c < 3; ++c) {
                    const int sum = above->At(x0, y0)[c] + above->At(x1, y0)[c] + above->At(x0, y1)[c] +
                                    above->At(x1, y1)[c];
                    level.At(x, y)[c] = static_cast<std::uint8_t>((sum + 2) / 4);
                }
            }
        }
        chain.push_back(std::move(level));
        above = &chain.back();
    }
    return chain;
}

void WriteDdsCubeMap(const std::string& path, const CubeMap& map, bool mipMaps) {
    ReplacementFile file(path);
    const DdsHeader header = CubeMapHeader(map[0].Width, mipMaps);
    file.Write("DDS ");
    file.Write({reinterpret_cast<const char*>(&header), sizeof header});
    for (const RgbImage& face : map) {
        WriteFace(file, face);
        if (!mipMaps) continue;
        for (const RgbImage& level : MipMapChain(face)) WriteFace(file, level);
    }
    file.Commit();
}

}  // namespace vantorix::cube
