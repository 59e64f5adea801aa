#include "platform/Picture.h"

#include "platform/BmpHeader.h"
#include "platform/FileError.h"

#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QString>

#include <cstdint>
#include <cstring>
#include <optional>
#include <span>

namespace vantorix {

namespace {

const QList<QByteArray> ReadableFormats = {"bmp", "png", "pbm", "pgm", "ppm"};

// Qt's BMP reader fills the rows a short file lacks with black and reports
// success, and takes a header of a size it does not know for an old one,
// whose sizes then come from the wrong bytes. So the header is checked first.
// The cause of any fault; nothing for other formats.
std::optional<std::string> BmpFault(QFile& file) {
    const QByteArray header = file.peek(BmpHeaderBytes);
    if (!header.startsWith("BM")) return std::nullopt;
    const std::span bytes(reinterpret_cast<const std::uint8_t*>(header.constData()), static_cast<std::size_t>(header.size()));
    switch (CheckBmpHeader(bytes, file.size())) {
        case BmpHeaderCheck::CutShort: return "the file ends before the end of its picture";
        case BmpHeaderCheck::UnknownKind: return "its BMP header is of a kind Vantorix does not read";
        default: return std::nullopt;
    }
}

// libpng takes each chunk's stated length on trust and allocates it before
// reading, so a small file could make it ask for gigabytes: every chunk must
// lie inside the file. The cause of a fault; nothing for other formats.
std::optional<std::string> PngFault(QFile& file) {
    static const QByteArray signature("\x89PNG\r\n\x1a\n", 8);
    if (file.peek(8) != signature) return std::nullopt;
    const qint64 size = file.size();
    std::optional<std::string> fault;
    for (qint64 at = 8; at < size;) {
        std::uint8_t chunk[8];
        if (!file.seek(at) || file.read(reinterpret_cast<char*>(chunk), 8) != 8) {
            fault = "the file ends inside a chunk header";
            break;
        }
        const std::uint32_t length = static_cast<std::uint32_t>(chunk[0]) << 24 | chunk[1] << 16 | chunk[2] << 8 | chunk[3];
        if (static_cast<qint64>(length) + 12 > size - at) {
            fault = "the file ends before the end of its picture";
            break;
        }
        if (std::memcmp(chunk + 4, "IEND", 4) == 0) break;
        at += 12 + static_cast<qint64>(length);
    }
    file.seek(0);
    return fault;
}

}  // namespace

Picture LoadPicture(const std::string& path) {
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly)) {
        throw FileError("open", path, file.errorString().toStdString());
    }
    if (const auto fault = BmpFault(file)) throw FileError("read", path, *fault);
    if (const auto fault = PngFault(file)) throw FileError("read", path, *fault);

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
