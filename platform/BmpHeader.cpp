#include "platform/BmpHeader.h"

#include <climits>
#include <cstdlib>

namespace vantorix {

namespace {

std::uint32_t Little32(std::span<const std::uint8_t> bytes, std::size_t offset) {
    return static_cast<std::uint32_t>(bytes[offset] | bytes[offset + 1] << 8 | bytes[offset + 2] << 16) |
           static_cast<std::uint32_t>(bytes[offset + 3]) << 24;
}

std::uint16_t Little16(std::span<const std::uint8_t> bytes, std::size_t offset) {
    return static_cast<std::uint16_t>(bytes[offset] | bytes[offset + 1] << 8);
}

// Offset plus rows of a size, or the largest number when that overflows: no
// file can be that long.
long long PixelEnd(long long pixelOffset, long long width, long long bitCount, long long height) {
    const long long rowBytes = (width * bitCount + 31) / 32 * 4;
    long long end = 0;
    if (__builtin_mul_overflow(rowBytes, height, &end) || __builtin_add_overflow(end, pixelOffset, &end)) return LLONG_MAX;
    return end;
}

}  // namespace

BmpHeaderCheck CheckBmpHeader(std::span<const std::uint8_t> start, long long fileSize) {
    if (start.size() < 2) return BmpHeaderCheck::CutShort;
    if (start[0] != 'B' || start[1] != 'M') return BmpHeaderCheck::NotBmp;
    if (start.size() < 26) return BmpHeaderCheck::CutShort;
    const long long pixelOffset = Little32(start, 10);
    const std::uint32_t infoSize = Little32(start, 14);
    if (infoSize == 12) {  // the old OS/2 header: always uncompressed
        const long long end = PixelEnd(pixelOffset, Little16(start, 18), Little16(start, 24), Little16(start, 20));
        return end > fileSize ? BmpHeaderCheck::CutShort : BmpHeaderCheck::Complete;
    }
    if (infoSize != 40 && infoSize != 52 && infoSize != 56 && infoSize != 108 && infoSize != 124) {
        return BmpHeaderCheck::UnknownKind;
    }
    if (start.size() < 54) return BmpHeaderCheck::CutShort;
    const long long width = static_cast<std::int32_t>(Little32(start, 18));
    const long long height = std::llabs(static_cast<std::int32_t>(Little32(start, 22)));
    const long long bitCount = Little16(start, 28);
    const std::uint32_t compression = Little32(start, 30);
    const long long imageSize = Little32(start, 34);
    constexpr std::uint32_t Uncompressed = 0, BitFields = 3, AlphaBitFields = 6;
    long long end = 0;
    if (compression == Uncompressed || compression == BitFields || compression == AlphaBitFields) {
        if (width > 0) end = PixelEnd(pixelOffset, width, bitCount, height);
    } else if (imageSize != 0) {
        end = pixelOffset + imageSize;
    }
    return end > fileSize ? BmpHeaderCheck::CutShort : BmpHeaderCheck::Complete;
}

}  // namespace vantorix
