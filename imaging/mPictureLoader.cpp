#include "imaging/mPictureLoader.h"

#include "imaging/CheckedInt.h"
#include "imaging/mIntelJPEGLibrary.h"
#include "platform/FileError.h"
#include "platform/FileMapping.h"
#include "platform/FileSearch.h"
#include "platform/FileSystem.h"
#include "platform/InputFile.h"
#include "platform/Picture.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstring>
#include <optional>
#include <stdexcept>

namespace vantorix {

namespace {

// Where the last successful load put its rows; checked against the bitmap
// before every use, so a bitmap replaced since is never read through it.
struct RowAccess {
    std::int32_t Height = 0;
    std::int32_t BytesPerScanLine = 0;
    std::uint8_t* Bits = nullptr;
};
RowAccess recordedRows;

void RecordRowAccess() {
    const cDIBSection& picture = LoadedPicture();
    recordedRows = {picture.Height(), picture.BytesPerScanLine(), picture.DIBSectionBitsPtr()};
}

// A complete run-length stream cannot expand more than this: one header
// byte and one 3-byte value give 128 pixels of 3 bytes.
constexpr long long MaximumRunLengthExpansion = 128;

std::string SizeText(std::int32_t width, std::int32_t height) {
    return std::to_string(width) + " x " + std::to_string(height) + " pixels";
}

std::uint16_t Little16(const std::uint8_t* at) { return static_cast<std::uint16_t>(at[0] | at[1] << 8); }

std::uint32_t Little32(const std::uint8_t* at) {
    return static_cast<std::uint32_t>(at[0] | at[1] << 8 | at[2] << 16) | static_cast<std::uint32_t>(at[3]) << 24;
}

// A renderer's usual frame already lies in the file as the bitmap holds it:
// the bitmap is made over the file itself, its rows read where they lie in
// the page cache (or, where the file cannot be mapped, with one read). Any
// other kind of file is left to the platform's reader (nothing returned).
std::optional<std::int16_t> LoadPlainBMP(const std::string& FileName) {
    const InputFile file(FileName);
    std::uint8_t header[54] = {};
    if (file.ReadAt(0, header, sizeof header) != sizeof header) return std::nullopt;
    const std::optional<PlainRows> layout = FindPlainBmpRows(header, file.Size());
    if (!layout) return std::nullopt;  // the reader says why
    const auto [width, height, pixelOffset, rowBytes] = *layout;
    const long long pixelBytes = static_cast<long long>(rowBytes) * height;
    cDIBSection& picture = LoadedPicture();
    if (picture.CreateOverFile(FileName, width, height, pixelOffset)) return PictureStatus::Loaded;
    if (!picture.Create(width, height)) return PictureStatus::NoBitmap;
    if (file.ReadAt(pixelOffset, picture.DIBSectionBitsPtr(), static_cast<std::size_t>(pixelBytes)) !=
        static_cast<std::size_t>(pixelBytes)) {
        picture.ClearUp();
        throw FileError("read", FileName, "the file ends before the end of its picture");
    }
    return PictureStatus::Loaded;
}

// Where a TGA file's pixels start: after its header, ID field and colour map.
long long TgaPixelOffset(const std::uint8_t* header) {
    const int colourMapLength = Little16(header + 5), colourMapEntryBits = header[7];
    return 18 + header[0] + (header[1] == 1 ? colourMapLength * ((colourMapEntryBits + 7) / 8) : 0);
}

}  // namespace

std::optional<PlainRows> FindPlainBmpRows(std::span<const std::uint8_t> header, long long fileSize) {
    if (header.size() < 54 || header[0] != 'B' || header[1] != 'M') return std::nullopt;
    const std::uint32_t pixelOffset = Little32(&header[10]);
    const std::uint32_t infoSize = Little32(&header[14]);
    const auto width = static_cast<std::int32_t>(Little32(&header[18]));
    const auto height = static_cast<std::int32_t>(Little32(&header[22]));
    const int planes = Little16(&header[26]);
    const int bitCount = Little16(&header[28]);
    const std::uint32_t compression = Little32(&header[30]);
    const bool windowsHeader = infoSize == 40 || infoSize == 108 || infoSize == 124;  // version 3, 4 or 5
    if (!windowsHeader || planes != 1 || bitCount != 24 || compression != 0 || width <= 0 || height <= 0 ||
        pixelOffset < 14LL + infoSize) {
        return std::nullopt;
    }
    const long long rowBytes = (3LL * width + 3) & ~3LL;
    if (rowBytes > INT_MAX / height) return std::nullopt;  // more than a bitmap holds
    if (pixelOffset + rowBytes * height > fileSize) return std::nullopt;
    return PlainRows{width, height, pixelOffset, static_cast<std::int32_t>(rowBytes)};
}

std::optional<PlainRows> FindPlainTgaRows(std::span<const std::uint8_t> header, long long fileSize) {
    if (header.size() < 18) return std::nullopt;
    const int imageType = header[2];
    const auto width = static_cast<std::int16_t>(Little16(&header[12]));
    const auto height = static_cast<std::int16_t>(Little16(&header[14]));
    // Descriptor bits 4 and 5 would put the first stored pixel at the right, the first row at the top.
    if (imageType != 2 || header[16] != 24 || (header[17] & 0x30) != 0 || width <= 0 || height <= 0) return std::nullopt;
    const long long pixelOffset = TgaPixelOffset(header.data());
    const long long rowBytes = 3LL * width;
    if (pixelOffset + rowBytes * height > fileSize) return std::nullopt;
    return PlainRows{width, height, static_cast<std::uint32_t>(pixelOffset), static_cast<std::int32_t>(rowBytes)};
}

cDIBSection& LoadedPicture() {
    static cDIBSection picture;
    return picture;
}

std::int16_t LoadPictureFile(const std::string& FileName) {
    if (!FindFileByPattern(FileName)) return PictureStatus::NotFound;
    if (IsPathSeparator(FileName.back())) return PictureStatus::NameIsFolder;

    std::string ending = FileName.substr(FileName.size() - std::min<std::size_t>(3, FileName.size()));
    std::transform(ending.begin(), ending.end(), ending.begin(), [](unsigned char c) { return std::tolower(c); });
    if (ending == "tga") return LoadTGA(FileName);

    if (const auto status = LoadPlainBMP(FileName)) {
        if (*status == PictureStatus::Loaded) RecordRowAccess();
        return *status;
    }
    const Picture picture = LoadPicture(FileName);
    LoadedPicture().CreateFromPicture(picture);
    if (LoadedPicture().DIBSectionBitsPtr() == nullptr) return PictureStatus::NoBitmap;
    RecordRowAccess();
    return PictureStatus::Loaded;
}

bool SavePictureAsJPEG(const std::string& FileName, std::int16_t Quality) {
    return WriteJPEG(LoadedPicture(), FileName, Quality);
}

void CopyPicturePixels(PixelBlock& Pixels) {
    const cDIBSection& picture = LoadedPicture();
    if (recordedRows.Bits == nullptr || recordedRows.Bits != picture.DIBSectionBitsPtr() ||
        recordedRows.Height != picture.Height() || recordedRows.BytesPerScanLine != picture.BytesPerScanLine()) {
        throw std::logic_error("No loaded picture to copy pixels from.");
    }
    const std::int32_t columns = CheckedMultiply(picture.Width(), 3, "the picture's row size");
    Pixels.Resize(columns, recordedRows.Height);
    for (std::int32_t y = 0; y < recordedRows.Height; ++y) {
        std::memcpy(Pixels.Row(y), recordedRows.Bits + static_cast<std::ptrdiff_t>(y) * recordedRows.BytesPerScanLine,
                    static_cast<std::size_t>(columns));
    }
    if (const auto file = picture.File()) file->CheckWhole();
}

std::int16_t LoadTGA(const std::string& FileName) {
    const InputFile file(FileName);
    std::uint8_t header[18] = {};  // what a short file lacks reads as 0
    file.ReadAt(0, header, sizeof header);
    const int imageType = header[2];
    const auto width = static_cast<std::int16_t>(Little16(header + 12));
    const auto height = static_cast<std::int16_t>(Little16(header + 14));
    const int depth = header[16];
    const int descriptor = header[17];

    if (depth < 24) return PictureStatus::TGADepthBelow24;
    if (imageType != 2 && imageType != 10) return PictureStatus::TGANotTrueColour;
    if (depth != 24 && depth != 32) return PictureStatus::TGADepthUnsupported;
    if (width <= 0 || height <= 0) {
        // As a failed Create would: no picture is left. Create itself is not
        // asked, since it takes a negative height as a top-down bitmap.
        LoadedPicture().ClearUp();
        return PictureStatus::NoBitmap;
    }

    const int bytesPerPixel = depth / 8;
    const long long pixelCount = static_cast<long long>(width) * height;
    const long long declared = pixelCount * bytesPerPixel;
    if (declared > INT_MAX) {
        throw std::overflow_error("Overflow: the picture in \"" + FileName + "\" (" + SizeText(width, height) +
                                  ") does not fit in 32 bits.");
    }
    const long long dataOffset = TgaPixelOffset(header);
    const long long available = std::max(0LL, file.Size() - dataOffset);

    std::vector<std::uint8_t> data;
    if (imageType == 2) {
        if (declared > available) throw FileError("read", FileName, "the file ends before the end of its picture");
        data.resize(static_cast<std::size_t>(declared));
        file.ReadAt(dataOffset, data.data(), data.size());
    } else {
        // Short run-length data is allowed (the rest stays black), but not a
        // header that promises far more than any stream of this size could hold.
        if (declared > available * MaximumRunLengthExpansion) {
            throw FileError("read", FileName,
                            "its run-length data is far too short for a picture of " + SizeText(width, height));
        }
        // The longest useful stream: a one-pixel raw packet per pixel.
        data.resize(static_cast<std::size_t>(std::min(available, pixelCount * (bytesPerPixel + 1))));
        data.resize(file.ReadAt(dataOffset, data.data(), data.size()));
        DecodeTGARLE(data, width, height, bytesPerPixel);
    }
    if (imageType == 2 && depth == 32) Convert32To24(data);

    cDIBSection& picture = LoadedPicture();
    if (!picture.Create(width, height)) return PictureStatus::NoBitmap;
    RecordRowAccess();

    // Descriptor bit 5 puts the first stored row at the top, bit 4 the first
    // stored pixel at the right.
    const bool topFirst = (descriptor & 0x20) != 0;
    const bool rightFirst = (descriptor & 0x10) != 0;
    const std::uint8_t* source = data.data();
    for (std::int32_t row = 0; row < height; ++row) {
        const std::int32_t memoryRow = topFirst ? height - 1 - row : row;
        std::uint8_t* target = recordedRows.Bits + static_cast<std::ptrdiff_t>(memoryRow) * recordedRows.BytesPerScanLine;
        if (!rightFirst) {
            std::memcpy(target, source, static_cast<std::size_t>(width) * 3);
            source += static_cast<std::ptrdiff_t>(width) * 3;
            continue;
        }
        for (std::int32_t x = width - 1; x >= 0; --x, source += 3) std::memcpy(target + 3 * x, source, 3);
    }
    return PictureStatus::Loaded;
}

void DecodeTGARLE(std::vector<std::uint8_t>& Data, std::int32_t Width, std::int32_t Height, int BytesPerPixel) {
    if (Width < 0 || Height < 0 || BytesPerPixel < 3) {
        throw std::invalid_argument("Run-length data cannot describe " + SizeText(Width, Height) + " of " +
                                    std::to_string(BytesPerPixel) + " bytes.");
    }
    const std::int32_t total = CheckedMultiply(Width, Height, "the picture's pixel count");
    std::vector<std::uint8_t> output(static_cast<std::size_t>(CheckedMultiply(total, 3, "the picture's size")), 0);

    const std::size_t valueSize = static_cast<std::size_t>(BytesPerPixel);
    const std::size_t wanted = static_cast<std::size_t>(total);
    std::size_t in = 0;
    std::size_t written = 0;  // pixels
    bool ranOut = false;
    const auto take = [&] {
        if (in + valueSize > Data.size()) {
            ranOut = true;
            return false;
        }
        std::memcpy(&output[written * 3], &Data[in], 3);
        return true;
    };
    while (written < wanted && in < Data.size() && !ranOut) {
        const std::uint8_t packet = Data[in++];
        const std::size_t count = std::min<std::size_t>((packet & 0x7Fu) + 1u, wanted - written);
        if (packet & 0x80) {
            if (!take()) break;
            for (std::size_t i = 1; i < count; ++i) std::memcpy(&output[(written + i) * 3], &output[written * 3], 3);
            written += count;
            in += valueSize;
        } else {
            for (std::size_t i = 0; i < count && take(); ++i, ++written) in += valueSize;
        }
    }
    Data = std::move(output);
}

void Convert32To24(std::vector<std::uint8_t>& Data) {
    const std::size_t pixels = Data.size() / 4;
    for (std::size_t p = 0; p < pixels; ++p) std::memmove(&Data[p * 3], &Data[p * 4], 3);
    Data.resize(pixels * 3);
    Data.shrink_to_fit();
}

}  // namespace vantorix
