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

namespace {

// How much of each texel of a row `from` wide a texel of a row `to` wide
// covers, in units of 1 / to of a texel: texel x spans [x from, (x + 1) from)
// in those units, texel i of the row before [i to, (i + 1) to).
struct Footprint {
    int First = 0;
    std::vector<int> Weights;  // for texels First, First + 1, ...
};

std::vector<Footprint> Footprints(int from, int to) {
    std::vector<Footprint> footprints(static_cast<std::size_t>(to));
    for (int x = 0; x < to; ++x) {
        const long long start = static_cast<long long>(x) * from, end = start + from;
        Footprint& footprint = footprints[static_cast<std::size_t>(x)];
        footprint.First = static_cast<int>(start / to);
        for (long long i = footprint.First; i * to < end; ++i) {
            footprint.Weights.push_back(static_cast<int>(std::min(end, (i + 1) * to) - std::max(start, i * to)));
        }
    }
    return footprints;
}

}  // namespace

std::vector<RgbImage> MipMapChain(const RgbImage& face) {
    std::vector<RgbImage> chain;
    chain.reserve(32);
    const RgbImage* above = &face;
    while (above->Width > 1 || above->Height > 1) {
        RgbImage level(std::max(1, above->Width / 2), std::max(1, above->Height / 2));
        const std::vector<Footprint> columns = Footprints(above->Width, level.Width);
        const std::vector<Footprint> rows = Footprints(above->Height, level.Height);
        const long long total = static_cast<long long>(above->Width) * above->Height;  // every texel's weights sum to this
        for (int y = 0; y < level.Height; ++y) {
            const Footprint& row = rows[static_cast<std::size_t>(y)];
            for (int x = 0; x < level.Width; ++x) {
                const Footprint& column = columns[static_cast<std::size_t>(x)];
                long long sum[3] = {0, 0, 0};
                for (std::size_t j = 0; j < row.Weights.size(); ++j) {
                    for (std::size_t i = 0; i < column.Weights.size(); ++i) {
                        const std::uint8_t* texel =
                            above->At(column.First + static_cast<int>(i), row.First + static_cast<int>(j));
                        const long long weight = static_cast<long long>(row.Weights[j]) * column.Weights[i];
                        for (int c = 0; c < 3; ++c) sum[c] += weight * texel[c];
                    }
                }
                for (int c = 0; c < 3; ++c) level.At(x, y)[c] = static_cast<std::uint8_t>((sum[c] + total / 2) / total);
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
