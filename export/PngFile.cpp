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
#include <optional>
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

// What PNG's filter `Type` leaves of byte `x`, whose neighbours are `a` to
// the left, `b` above and `c` above the left (zeros where there are none).
template <int Type>
std::uint8_t Residual(std::uint8_t x, std::uint8_t a, std::uint8_t b, std::uint8_t c) {
    if constexpr (Type == 0) return x;
    if constexpr (Type == 1) return static_cast<std::uint8_t>(x - a);
    if constexpr (Type == 2) return static_cast<std::uint8_t>(x - b);
    if constexpr (Type == 3) return static_cast<std::uint8_t>(x - ((a + b) >> 1));
    if constexpr (Type == 4) {
        const std::int16_t pa = static_cast<std::int16_t>(std::abs(b - c)), pb = static_cast<std::int16_t>(std::abs(a - c));
        const std::int16_t pc = static_cast<std::int16_t>(std::abs(a + b - 2 * c));
        return static_cast<std::uint8_t>(x - (pa <= pb && pa <= pc ? a : pb <= pc ? b : c));
    }
}

// The sum of the magnitudes of what filter `Type` leaves of a row of
// `length` bytes, three to a pixel; `above` is the row above, or zeros. One
// plain loop, which the compiler does many bytes at a time.
template <int Type>
[[gnu::always_inline]] inline std::uint32_t SumOfMagnitudes(const std::uint8_t* row, const std::uint8_t* above,
                                                          std::size_t length) {
    const auto magnitude = [](std::uint8_t f) { return static_cast<std::uint32_t>(std::abs(static_cast<std::int8_t>(f))); };
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i < std::min<std::size_t>(3, length); ++i) {
        sum += magnitude(Residual<Type>(row[i], 0, above[i], 0));
    }
    for (std::size_t i = 3; i < length; ++i) sum += magnitude(Residual<Type>(row[i], row[i - 3], above[i], above[i - 3]));
    return sum;
}

// The row filtered by `Type`, after its type byte, into `out`.
template <int Type>
[[gnu::always_inline]] inline void Filter(const std::uint8_t* row, const std::uint8_t* above, std::size_t length,
                                          std::uint8_t* out) {
    out[0] = Type;
    for (std::size_t i = 0; i < std::min<std::size_t>(3, length); ++i) out[i + 1] = Residual<Type>(row[i], 0, above[i], 0);
    for (std::size_t i = 3; i < length; ++i) out[i + 1] = Residual<Type>(row[i], row[i - 3], above[i], above[i - 3]);
}

// The row filtered into `out` (its type byte, then `length` bytes) by the
// filter that leaves the smallest sum of magnitudes, the first of the least
// as libpng takes it. Only the chosen one is written.
[[gnu::always_inline]] inline void FilterRowIn(const std::uint8_t* row, const std::uint8_t* above, std::size_t length,
                                               std::uint8_t* out) {
    const std::uint32_t sums[5] = {SumOfMagnitudes<0>(row, above, length), SumOfMagnitudes<1>(row, above, length),
                                   SumOfMagnitudes<2>(row, above, length), SumOfMagnitudes<3>(row, above, length),
                                   SumOfMagnitudes<4>(row, above, length)};
    switch (std::min_element(sums, sums + 5) - sums) {
    case 0: return Filter<0>(row, above, length, out);
    case 1: return Filter<1>(row, above, length, out);
    case 2: return Filter<2>(row, above, length, out);
    case 3: return Filter<3>(row, above, length, out);
    default: return Filter<4>(row, above, length, out);
    }
}

#if defined(__x86_64__) || defined(__i386__)
// The same loops, twice as wide where the processor has AVX2.
[[gnu::target("avx2")]] void FilterRowWide(const std::uint8_t* row, const std::uint8_t* above, std::size_t length,
                                           std::uint8_t* out) {
    FilterRowIn(row, above, length, out);
}
#endif

void FilterRow(const std::uint8_t* row, const std::uint8_t* above, std::size_t length, std::uint8_t* out) {
#if defined(__x86_64__) || defined(__i386__)
    static const bool wide = __builtin_cpu_supports("avx2");
    if (wide) return FilterRowWide(row, above, length, out);
#endif
    FilterRowIn(row, above, length, out);
}

// A raw deflate stream that libdeflate ended with its last block marked
// final, made one piece of a longer stream: the mark cleared and an empty
// stored block after it, which brings the stream to a whole byte, as a
// zlib flush does. `piece` has room for five more bytes.
void MakeNotLast(std::uint8_t* piece, std::size_t& size) {
    const std::optional<LastBlock> sole = EndOfSoleBlock({piece, size});
    const LastBlock last = sole ? *sole : FindLastBlock({piece, size});
    piece[last.Start / 8] &= static_cast<std::uint8_t>(~(1u << (last.Start % 8)));
    // The bits after the end are zeros: the stored block's three header bits
    // (not final, stored) where at least three are left in the last byte.
    if (size * 8 - last.End < 3) piece[size++] = 0;
    for (const std::uint8_t byte : {0x00, 0x00, 0xFF, 0xFF}) piece[size++] = byte;
}

struct Slot {
    std::vector<std::uint8_t> rows, filtered, compressed;
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
        for (int r = 0; r < count; ++r) {
            const std::uint8_t* row = made + rowBytes * static_cast<std::size_t>(r);
            FilterRow(row, first + r > 0 ? row - rowBytes : zeros.data(), rowBytes,
                      slot.filtered.data() + (rowBytes + 1) * static_cast<std::size_t>(r));
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
