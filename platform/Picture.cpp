#include "platform/Picture.h"

#include "platform/FileError.h"

#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QString>

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <optional>

namespace vantorix {

Picture::~Picture() {
    if (handle_ != 0) gdi::DeleteObject(handle_);
}

Picture& Picture::operator=(Picture&& other) noexcept {
    if (this != &other) {
        if (handle_ != 0) gdi::DeleteObject(handle_);
        handle_ = other.handle_;
        other.handle_ = 0;
    }
    return *this;
}

namespace {

const QList<QByteArray> ReadableFormats = {"bmp", "png", "pbm", "pgm", "ppm"};

std::uint32_t Little32(const QByteArray& bytes, int offset) {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = (value << 8) | static_cast<std::uint8_t>(bytes[offset + i]);
    return value;
}

std::uint16_t Little16(const QByteArray& bytes, int offset) {
    return static_cast<std::uint16_t>(static_cast<std::uint8_t>(bytes[offset]) |
                                      static_cast<std::uint8_t>(bytes[offset + 1]) << 8);
}

// Offset plus rows of a size, or the largest number when that overflows: no
// file can be that long.
long long PixelEnd(long long pixelOffset, long long width, long long bitCount, long long height) {
    const long long rowBytes = (width * bitCount + 31) / 32 * 4;
    long long end = 0;
    if (__builtin_mul_overflow(rowBytes, height, &end) || __builtin_add_overflow(end, pixelOffset, &end)) return LLONG_MAX;
    return end;
}

// Qt's BMP reader fills the rows a short file lacks with black and reports
// success, and takes a header of a size it does not know for an old one,
// whose sizes then come from the wrong bytes. So the header is checked first:
// its kind must be known, and the file must hold the pixel bytes it states
// (the row size times the rows when uncompressed, the stated image size when
// compressed, where stated). The cause of any fault; nothing for other formats.
std::optional<std::string> BmpFault(QFile& file) {
    const QByteArray header = file.peek(54);
    if (!header.startsWith("BM")) return std::nullopt;
    const std::string cutShort = "the file ends before the end of its picture";
    if (header.size() < 26) return cutShort;
    const long long pixelOffset = Little32(header, 10);
    const std::uint32_t infoSize = Little32(header, 14);
    if (infoSize == 12) {  // the old OS/2 header: always uncompressed
        const long long width = Little16(header, 18);
        const long long height = Little16(header, 20);
        const long long bitCount = Little16(header, 24);
        if (PixelEnd(pixelOffset, width, bitCount, height) > file.size()) return cutShort;
        return std::nullopt;
    }
    if (infoSize != 40 && infoSize != 52 && infoSize != 56 && infoSize != 108 && infoSize != 124) {
        return "its BMP header is of a kind Vantorix does not read";
    }
    if (header.size() < 54) return cutShort;
    const long long width = static_cast<std::int32_t>(Little32(header, 18));
    const long long height = std::llabs(static_cast<std::int32_t>(Little32(header, 22)));
    const long long bitCount = Little16(header, 28);
    const std::uint32_t compression = Little32(header, 30);
    const long long imageSize = Little32(header, 34);
    constexpr std::uint32_t Uncompressed = 0, BitFields = 3, AlphaBitFields = 6;
    long long end = 0;
    if (compression == Uncompressed || compression == BitFields || compression == AlphaBitFields) {
        if (width <= 0) return std::nullopt;  // Qt refuses these itself
        end = PixelEnd(pixelOffset, width, bitCount, height);
    } else if (imageSize != 0) {
        end = pixelOffset + imageSize;
    }
    if (end > file.size()) return cutShort;
    return std::nullopt;
}

}  // namespace

Picture LoadPicture(const std::string& path) {
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly)) {
        throw FileError("open", path, file.errorString().toStdString());
    }
    if (const auto fault = BmpFault(file)) throw FileError("read", path, *fault);

    QImageReader reader(&file);
    reader.setDecideFormatFromContent(true);
    reader.setAllocationLimit(PictureAllocationLimitMiB);
    const QByteArray format = reader.format();
    if (format.isEmpty()) throw FileError("read", path, "it is not a picture Vantorix can read");
    // Qt hands back cut-off JPEG and GIF files as whole pictures, padded grey
    // or black; only formats whose damage shows are read.
    if (!ReadableFormats.contains(format)) {
        throw FileError("read", path,
                        "its format is " + format.toUpper().toStdString() + ", and Vantorix reads BMP, PNG and PPM pictures");
    }
    QImage image;
    if (!reader.read(&image)) {
        throw FileError("read", path, "it is damaged or cut short (" + reader.errorString().toStdString() + ")");
    }
    const gdi::HBITMAP handle = gdi::CreateBitmapFromImage(image);
    if (handle == 0) throw FileError("read", path, "there is not enough memory for the picture");
    return Picture(handle);
}

}  // namespace vantorix
