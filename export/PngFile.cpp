#include "export/PngFile.h"

#include "export/DeflateBlocks.h"
#include "export/OrderedBands.h"

#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace vantorix::cube {

namespace {

// libdeflate's level 2: within a few percent of zlib's default size on real
// skies, at several times its speed.
constexpr int CompressionLevel = 2;
constexpr std::size_t BandBytes = std::size_t{1} << 18;

std::uint32_t BigEndian(std::uint32_t value) {
    return (value >> 24) | ((value >> 8) & 0xFF00) | ((value << 8) & 0xFF0000) | (value << 24);
}

void PutBigEndian(std::uint8_t* at, std::uint32_t value) {
    const std::uint32_t big = BigEndian(value);
    std::memcpy(at, &big, 4);
}

// A PNG chunk: its length, type and data, and the CRC of type and data.
void WriteChunk(ReplacementFile& file, const char type[4], const std::uint8_t* data, std::size_t size) {
    if (size > 0x7FFFFFFF) throw std::invalid_argument("A PNG chunk holds at most 2 GB.");
    std::uint8_t head[8];
    PutBigEndian(head, static_cast<std::uint32_t>(size));
    std::memcpy(head + 4, type, 4);
    std::uint8_t check[4];
    std::uint32_t crc = libdeflate_crc32(0, type, 4);
    if (size > 0) crc = libdeflate_crc32(crc, data, size);  // a null buffer would start it anew
    PutBigEndian(check, crc);
    file.Write({reinterpret_cast<const char*>(head), 8});
    if (size > 0) file.Write({reinterpret_cast<const char*>(data), size});
    file.Write({reinterpret_cast<const char*>(check), 4});
}

// The five filters of a row of `length` bytes, three to a pixel, each
// written after its type byte into `out` (length + 1 bytes a filter), with
// the sum of the magnitudes of what it left. `above` is the row above, or
// zeros for the first.
void FilterFive(const std::uint8_t* row, const std::uint8_t* above, std::size_t length, std::uint8_t* const out[5],
                std::uint32_t sums[5]) {
    const auto magnitude = [](std::uint8_t f) { return static_cast<std::uint32_t>(std::abs(static_cast<std::int8_t>(f))); };
    const auto paeth = [](std::int16_t a, std::int16_t b, std::int16_t c) {
        const std::int16_t pa = static_cast<std::int16_t>(std::abs(b - c)), pb = static_cast<std::int16_t>(std::abs(a - c));
        const std::int16_t pc = static_cast<std::int16_t>(std::abs(a + b - 2 * c));
        return pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
    };
    // The first pixel, with nothing to its left; then one loop a filter,
    // each simple enough for the compiler to do many bytes at once.
    for (int type = 0; type < 5; ++type) out[type][0] = static_cast<std::uint8_t>(type), sums[type] = 0;
    for (std::size_t i = 0; i < std::min<std::size_t>(3, length); ++i) {
        const std::uint8_t f[5] = {row[i], row[i], static_cast<std::uint8_t>(row[i] - above[i]),
                                   static_cast<std::uint8_t>(row[i] - (above[i] >> 1)),
                                   static_cast<std::uint8_t>(row[i] - paeth(0, above[i], 0))};
        for (int type = 0; type < 5; ++type) out[type][i + 1] = f[type], sums[type] += magnitude(f[type]);
    }
    std::uint32_t sum = 0;
    for (std::size_t i = 3; i < length; ++i) {
        out[0][i + 1] = row[i];
        sum += magnitude(row[i]);
    }
    sums[0] += sum, sum = 0;
    for (std::size_t i = 3; i < length; ++i) {
        const std::uint8_t f = static_cast<std::uint8_t>(row[i] - row[i - 3]);
        out[1][i + 1] = f;
        sum += magnitude(f);
    }
    sums[1] += sum, sum = 0;
    for (std::size_t i = 3; i < length; ++i) {
        const std::uint8_t f = static_cast<std::uint8_t>(row[i] - above[i]);
        out[2][i + 1] = f;
        sum += magnitude(f);
    }
    sums[2] += sum, sum = 0;
    for (std::size_t i = 3; i < length; ++i) {
        const std::uint8_t f = static_cast<std::uint8_t>(row[i] - ((row[i - 3] + above[i]) >> 1));
        out[3][i + 1] = f;
        sum += magnitude(f);
    }
    sums[3] += sum, sum = 0;
    for (std::size_t i = 3; i < length; ++i) {
        const std::uint8_t f = static_cast<std::uint8_t>(row[i] - paeth(row[i - 3], above[i], above[i - 3]));
        out[4][i + 1] = f;
        sum += magnitude(f);
    }
    sums[4] += sum;
}

// A raw deflate stream that libdeflate ended with its last block marked
// final, made one piece of a longer stream: the mark cleared and an empty
// stored block after it, which brings the stream to a whole byte, as a
// zlib flush does. `piece` has room for five more bytes.
void MakeNotLast(std::uint8_t* piece, std::size_t& size) {
    const LastBlock last = FindLastBlock({piece, size});
    piece[last.Start / 8] &= static_cast<std::uint8_t>(~(1u << (last.Start % 8)));
    // The bits after the end are zeros: the stored block's three header bits
    // (not final, stored) where at least three are left in the last byte.
    if (size * 8 - last.End < 3) piece[size++] = 0;
    for (const std::uint8_t byte : {0x00, 0x00, 0xFF, 0xFF}) piece[size++] = byte;
}

struct Slot {
    std::vector<std::uint8_t> rows, candidates, filtered, compressed;
    std::size_t filteredSize = 0, compressedSize = 0;
    std::uint32_t adler = 1;
};

}  // namespace

void WritePng(ReplacementFile& file, int width, int height, const RowSource& rows, int threads,
              const std::function<void(double done)>& progress) {
    if (width < 1 || height < 1) throw std::invalid_argument("A PNG picture has at least one pixel.");
    file.Write({"\x89PNG\r\n\x1A\n", 8});
    std::uint8_t header[13] = {};
    PutBigEndian(header, static_cast<std::uint32_t>(width));
    PutBigEndian(header + 4, static_cast<std::uint32_t>(height));
    header[8] = 8;  // bits a channel
    header[9] = 2;  // red, green, blue
    WriteChunk(file, "IHDR", header, sizeof header);

    const std::size_t rowBytes = static_cast<std::size_t>(width) * 3;
    const int bandRows = static_cast<int>(std::clamp<std::size_t>(BandBytes / rowBytes, 1, static_cast<std::size_t>(height)));
    const int bands = (height + bandRows - 1) / bandRows;
    const int workers = std::min(ThreadCount(threads), bands);
    std::vector<Slot> slots(static_cast<std::size_t>(workers + 1));
    const std::size_t filteredBytes = (rowBytes + 1) * static_cast<std::size_t>(bandRows);
    const std::vector<std::uint8_t> zeros(rowBytes, 0);
    // A compressor for each slot, made once.
    std::vector<std::unique_ptr<libdeflate_compressor, void (*)(libdeflate_compressor*)>> compressors;
    for (std::size_t i = 0; i < slots.size(); ++i) {
        compressors.emplace_back(libdeflate_alloc_compressor(CompressionLevel), libdeflate_free_compressor);
        if (!compressors.back()) throw std::bad_alloc();
    }

    const auto make = [&](int band, int index) {
        Slot& slot = slots[static_cast<std::size_t>(index)];
        const int first = band * bandRows, count = std::min(bandRows, height - first);
        // The row above the band as well, which the first row's filters predict from.
        const int above = first > 0 ? 1 : 0;
        const std::uint8_t* const made = rows(first - above, count + above, slot.rows) + rowBytes * static_cast<std::size_t>(above);
        slot.filtered.resize(filteredBytes);
        std::vector<std::uint8_t>& candidates = slot.candidates;
        candidates.resize((rowBytes + 1) * 5);
        std::uint8_t* const out[5] = {&candidates[0], &candidates[rowBytes + 1], &candidates[2 * (rowBytes + 1)],
                                      &candidates[3 * (rowBytes + 1)], &candidates[4 * (rowBytes + 1)]};
        for (int r = 0; r < count; ++r) {
            const std::uint8_t* row = made + rowBytes * static_cast<std::size_t>(r);
            std::uint32_t sums[5];
            FilterFive(row, first + r > 0 ? row - rowBytes : zeros.data(), rowBytes, out, sums);
            // The first of the least, as libpng takes it.
            const int best = static_cast<int>(std::min_element(sums, sums + 5) - sums);
            std::memcpy(slot.filtered.data() + (rowBytes + 1) * static_cast<std::size_t>(r), out[best], rowBytes + 1);
        }
        slot.filteredSize = (rowBytes + 1) * static_cast<std::size_t>(count);
        slot.adler = static_cast<std::uint32_t>(libdeflate_adler32(1, slot.filtered.data(), slot.filteredSize));
        const auto& compressor = compressors[static_cast<std::size_t>(index)];
        // Room for the zlib header before the first piece and the stored block and check after the last.
        slot.compressed.resize(libdeflate_deflate_compress_bound(compressor.get(), slot.filteredSize) + 16);
        const std::size_t start = band == 0 ? 2 : 0;
        std::size_t size = libdeflate_deflate_compress(compressor.get(), slot.filtered.data(), slot.filteredSize,
                                                       slot.compressed.data() + start, slot.compressed.size() - 16);
        if (size == 0) throw std::runtime_error("the PNG encoder failed");
        if (band + 1 < bands) MakeNotLast(slot.compressed.data() + start, size);
        slot.compressedSize = start + size;
    };

    // The zlib stream: its header (deflate, 32 KB window, fast), the pieces
    // in order, and the Adler-32 of everything they hold.
    std::uint32_t adler = 1;
    std::size_t unflushed = 0;
    const auto use = [&](int band, int index) {
        Slot& slot = slots[static_cast<std::size_t>(index)];
        if (band == 0) slot.compressed[0] = 0x78, slot.compressed[1] = 0x5E;
        adler = static_cast<std::uint32_t>(::adler32_combine(adler, slot.adler, static_cast<z_off_t>(slot.filteredSize)));
        if (band + 1 == bands) {
            PutBigEndian(slot.compressed.data() + slot.compressedSize, adler);
            slot.compressedSize += 4;
        }
        WriteChunk(file, "IDAT", slot.compressed.data(), slot.compressedSize);
        if ((unflushed += slot.compressedSize) >= (std::size_t{8} << 20)) {  // the disk works on it meanwhile
            file.StartFlush();
            unflushed = 0;
        }
        if (progress) progress(static_cast<double>(band + 1) / bands);
    };
    MakeAndUseInOrder(bands, workers, static_cast<int>(slots.size()), make, use);
    WriteChunk(file, "IEND", nullptr, 0);
}

}  // namespace vantorix::cube
