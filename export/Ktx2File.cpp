#include "export/Ktx2File.h"

#include "export/DdsFile.h"
#include "platform/ReplacementFile.h"

#include <array>
#include <bit>
#include <cstring>
#include <vector>

#include <vantorix/version.h>

namespace vantorix::cube {

namespace {

static_assert(std::endian::native == std::endian::little, "KTX 2 fields are written as they lie in memory");

void Put32(std::string& bytes, std::uint32_t value) { bytes.append(reinterpret_cast<const char*>(&value), 4); }

// The basic data format descriptor of 8-bit sRGB red, green, blue and linear alpha.
std::string Descriptor() {
    constexpr std::uint32_t BlockSize = 24 + 4 * 16;
    std::string block;
    Put32(block, 4 + BlockSize);            // dfdTotalSize
    Put32(block, 0);                        // vendor 0 (Khronos), descriptor type 0 (basic)
    Put32(block, 2 | BlockSize << 16);      // version 2, block size
    block += std::string("\x01\x01\x02\x00", 4);  // RGBSDA model, BT.709 primaries, sRGB transfer, straight alpha
    Put32(block, 0);                        // a texel block of 1 x 1 x 1 x 1
    block += std::string("\x04\0\0\0\0\0\0\0", 8);  // 4 bytes in plane 0
    constexpr std::uint8_t SampleLinear = 0x10;
    const std::array<std::uint8_t, 4> channels = {0, 1, 2, 15 | SampleLinear};  // R, G, B, A
    for (std::size_t c = 0; c < channels.size(); ++c) {
        const std::uint32_t bitOffset = static_cast<std::uint32_t>(8 * c), bitLength = 7;  // 8 bits, stored less one
        Put32(block, bitOffset | bitLength << 16 | static_cast<std::uint32_t>(channels[c]) << 24);
        Put32(block, 0);    // sample position
        Put32(block, 0);    // lower
        Put32(block, 255);  // upper
    }
    return block;
}

// Key/value pairs sorted by key, each padded to 4 bytes.
std::string KeyValues() {
    const std::string writer = "vantorix-export " + std::to_string(VersionMajor) + "." + std::to_string(VersionMinor) +
                               "." + std::to_string(VersionRevision);
    std::string data;
    for (const auto& [key, value] : {std::pair<std::string, std::string>{"KTXorientation", "rd"}, {"KTXwriter", writer}}) {
        const std::string entry = key + '\0' + value + '\0';
        Put32(data, static_cast<std::uint32_t>(entry.size()));
        data += entry;
        data.resize((data.size() + 3) & ~std::size_t{3}, '\0');
    }
    return data;
}

// One level's data: the six faces in order, rows from the top, RGBA.
std::string LevelData(const std::array<const RgbImage*, 6>& faces) {
    std::string data;
    data.reserve(6 * static_cast<std::size_t>(faces[0]->Width) * faces[0]->Height * 4);
    for (const RgbImage* face : faces) {
        const std::size_t pixels = static_cast<std::size_t>(face->Width) * face->Height;
        for (std::size_t p = 0; p < pixels; ++p) {
            data.append(reinterpret_cast<const char*>(face->Pixels.data() + 3 * p), 3);
            data += '\xFF';
        }
    }
    return data;
}

}  // namespace

void WriteKtx2CubeMap(const std::string& path, const CubeMap& map, bool mipMaps) {
    std::array<std::vector<RgbImage>, 6> chains;
    if (mipMaps) {
        for (std::size_t face = 0; face < 6; ++face) chains[face] = MipMapChain(map[face], Light::Srgb);
    }
    const std::size_t levels = 1 + chains[0].size();
    std::vector<std::string> data(levels);
    for (std::size_t level = 0; level < levels; ++level) {
        std::array<const RgbImage*, 6> faces{};
        for (std::size_t face = 0; face < 6; ++face) faces[face] = level == 0 ? &map[face] : &chains[face][level - 1];
        data[level] = LevelData(faces);
    }

    const std::string descriptor = Descriptor(), keyValues = KeyValues();
    Ktx2Header header{};
    header.VkFormat = VK_FORMAT_R8G8B8A8_SRGB;
    header.TypeSize = 1;
    header.PixelWidth = header.PixelHeight = static_cast<std::uint32_t>(map[0].Width);
    header.FaceCount = 6;
    header.LevelCount = static_cast<std::uint32_t>(levels);
    header.DfdByteOffset = static_cast<std::uint32_t>(sizeof Ktx2Identifier + sizeof header + levels * sizeof(Ktx2Level));
    header.DfdByteLength = static_cast<std::uint32_t>(descriptor.size());
    header.KvdByteOffset = header.DfdByteOffset + header.DfdByteLength;
    header.KvdByteLength = static_cast<std::uint32_t>(keyValues.size());

    // The levels follow, the smallest first, each on a 4-byte boundary (every length here is a multiple of 4).
    std::vector<Ktx2Level> index(levels);
    std::uint64_t offset = header.KvdByteOffset + header.KvdByteLength;
    for (std::size_t level = levels; level-- > 0;) {
        index[level] = {offset, data[level].size(), data[level].size()};
        offset += data[level].size();
    }

    ReplacementFile file(path);
    file.Write({reinterpret_cast<const char*>(Ktx2Identifier), sizeof Ktx2Identifier});
    file.Write({reinterpret_cast<const char*>(&header), sizeof header});
    file.Write({reinterpret_cast<const char*>(index.data()), index.size() * sizeof(Ktx2Level)});
    file.Write(descriptor);
    file.Write(keyValues);
    for (std::size_t level = levels; level-- > 0;) file.Write(data[level]);
    file.Commit();
}

}  // namespace vantorix::cube
