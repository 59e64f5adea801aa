#include "export/ImageFile.h"

#include "platform/JpegLibrary.h"
#include "platform/ReplacementFile.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <vector>

namespace vantorix::cube {

namespace {

std::string Extension(const std::string& path) {
    const auto dot = path.rfind('.');
    const auto slash = path.rfind('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
    std::string extension = path.substr(dot + 1);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension;
}

void PutLittle(char* at, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) at[i] = static_cast<char>(value >> (8 * i));
}

// The 18-byte TGA header of an uncompressed 24-bit picture, rows from the bottom.
std::string TgaHeader(int width, int height) {
    if (width > 65535 || height > 65535) throw std::invalid_argument("A TGA picture is at most 65535 pixels a side.");
    std::string header(18, '\0');
    header[2] = 2;  // uncompressed true-colour
    PutLittle(&header[12], static_cast<std::uint32_t>(width), 2);
    PutLittle(&header[14], static_cast<std::uint32_t>(height), 2);
    header[16] = 24;
    return header;
}

// The 54-byte header of a 24-bit BMP with rows from the bottom, each padded to 4 bytes.
std::string BmpHeader(int width, int height, std::size_t rowBytes) {
    const unsigned long long pixelBytes = rowBytes * static_cast<unsigned long long>(height);
    if (pixelBytes + 54 > 0xFFFFFFFFull) throw std::invalid_argument("A BMP file holds at most 4 GB.");
    std::string header(54, '\0');
    header[0] = 'B';
    header[1] = 'M';
    PutLittle(&header[2], static_cast<std::uint32_t>(54 + pixelBytes), 4);
    PutLittle(&header[10], 54, 4);
    PutLittle(&header[14], 40, 4);
    PutLittle(&header[18], static_cast<std::uint32_t>(width), 4);
    PutLittle(&header[22], static_cast<std::uint32_t>(height), 4);
    PutLittle(&header[26], 1, 2);
    PutLittle(&header[28], 24, 2);
    PutLittle(&header[34], static_cast<std::uint32_t>(pixelBytes), 4);
    PutLittle(&header[38], 2835, 4);  // 72 dots per inch
    PutLittle(&header[42], 2835, 4);
    return header;
}

std::uint32_t BigEndian(std::uint32_t value) {
    return (value >> 24) | ((value >> 8) & 0xFF00) | ((value << 8) & 0xFF0000) | (value << 24);
}

// A PNG chunk: its length, type and data, and the CRC of type and data.
void WriteChunk(ReplacementFile& file, const char type[4], std::string_view data) {
    const std::uint32_t length = BigEndian(static_cast<std::uint32_t>(data.size()));
    uLong crc = ::crc32(0, reinterpret_cast<const Bytef*>(type), 4);
    if (!data.empty()) crc = ::crc32(crc, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size()));
    const std::uint32_t check = BigEndian(static_cast<std::uint32_t>(crc));
    file.Write({reinterpret_cast<const char*>(&length), 4});
    file.Write({type, 4});
    file.Write(data);
    file.Write({reinterpret_cast<const char*>(&check), 4});
}

// The row's bytes after the filter of PNG's five that leaves the smallest
// sum of magnitudes, libpng's own choice; its type first.
void FilterRow(const std::uint8_t* row, const std::uint8_t* above, std::size_t length, std::vector<std::uint8_t>& out) {
    static thread_local std::array<std::vector<std::uint8_t>, 5> candidates;
    std::size_t best = 0;
    std::uint64_t bestSum = UINT64_MAX;
    for (std::size_t type = 0; type < 5; ++type) {
        std::vector<std::uint8_t>& filtered = candidates[type];
        filtered.resize(length);
        std::uint64_t sum = 0;
        for (std::size_t i = 0; i < length; ++i) {
            const int a = i >= 3 ? row[i - 3] : 0, b = above != nullptr ? above[i] : 0;
            const int c = i >= 3 && above != nullptr ? above[i - 3] : 0;
            int predicted = 0;
            if (type == 1) predicted = a;
            else if (type == 2) predicted = b;
            else if (type == 3) predicted = (a + b) / 2;
            else if (type == 4) {
                const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
                predicted = pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
            }
            filtered[i] = static_cast<std::uint8_t>(row[i] - predicted);
            sum += static_cast<std::uint64_t>(std::abs(static_cast<std::int8_t>(filtered[i])));
        }
        if (sum < bestSum) bestSum = sum, best = type;
    }
    out.push_back(static_cast<std::uint8_t>(best));
    out.insert(out.end(), candidates[best].begin(), candidates[best].end());
}

// 8-bit RGB, no interlace; the rows filtered, then deflated a block at a time.
void WritePng(ReplacementFile& file, const RgbImage& image) {
    file.Write({"\x89PNG\r\n\x1A\n", 8});
    std::string header(13, '\0');
    const std::uint32_t width = BigEndian(static_cast<std::uint32_t>(image.Width));
    const std::uint32_t height = BigEndian(static_cast<std::uint32_t>(image.Height));
    std::memcpy(&header[0], &width, 4);
    std::memcpy(&header[4], &height, 4);
    header[8] = 8;   // bits a channel
    header[9] = 2;   // red, green, blue
    WriteChunk(file, "IHDR", header);

    z_stream stream{};
    if (::deflateInit(&stream, Z_DEFAULT_COMPRESSION) != Z_OK) throw std::runtime_error("the PNG encoder could not be set up");
    const std::unique_ptr<z_stream, int (*)(z_stream*)> ended(&stream, ::deflateEnd);
    const std::size_t rowBytes = static_cast<std::size_t>(image.Width) * 3;
    std::vector<std::uint8_t> filtered;
    std::string compressed(std::size_t{1} << 20, '\0');
    const auto deflateSome = [&](int flush) {
        stream.next_in = filtered.data();
        stream.avail_in = static_cast<uInt>(filtered.size());
        do {
            stream.next_out = reinterpret_cast<Bytef*>(compressed.data());
            stream.avail_out = static_cast<uInt>(compressed.size());
            if (::deflate(&stream, flush) == Z_STREAM_ERROR) throw std::runtime_error("the PNG encoder failed");
            const std::size_t made = compressed.size() - stream.avail_out;
            if (made > 0) WriteChunk(file, "IDAT", {compressed.data(), made});
        } while (stream.avail_out == 0 || (flush == Z_FINISH && stream.avail_in > 0));
        filtered.clear();
    };
    for (int y = 0; y < image.Height; ++y) {
        FilterRow(image.At(0, y), y > 0 ? image.At(0, y - 1) : nullptr, rowBytes, filtered);
        if (filtered.size() >= (std::size_t{1} << 20)) deflateSome(Z_NO_FLUSH);
    }
    deflateSome(Z_FINISH);
    WriteChunk(file, "IEND", {});
}

}  // namespace

bool IsImageFileName(const std::string& path) {
    const std::string extension = Extension(path);
    return extension == "png" || extension == "jpg" || extension == "jpeg" || extension == "tga" || extension == "bmp";
}

bool IsBottomUpImageFileName(const std::string& path) {
    const std::string extension = Extension(path);
    return extension == "tga" || extension == "bmp";
}

BottomUpImageFile::BottomUpImageFile(const std::string& path, int width, int height)
    : file_(path), width_(width) {
    const bool bmp = Extension(path) == "bmp";
    rowBytes_ = bmp ? (static_cast<std::size_t>(width) * 3 + 3) & ~std::size_t{3} : static_cast<std::size_t>(width) * 3;
    padding_.resize(rowBytes_ - static_cast<std::size_t>(width) * 3);
    file_.Write(bmp ? BmpHeader(width, height, rowBytes_) : TgaHeader(width, height));
}

void BottomUpImageFile::WriteRows(std::uint8_t* rgbRows, int count, ChannelOrder order) {
    const std::size_t pixelBytes = static_cast<std::size_t>(width_) * 3;
    if (order == ChannelOrder::Rgb) {
        for (std::size_t i = 0; i < pixelBytes * static_cast<std::size_t>(count); i += 3) std::swap(rgbRows[i], rgbRows[i + 2]);
    }
    if (padding_.empty()) {
        file_.Write({reinterpret_cast<const char*>(rgbRows), pixelBytes * static_cast<std::size_t>(count)});
    } else {
        for (int row = 0; row < count; ++row) {
            file_.Write({reinterpret_cast<const char*>(rgbRows) + pixelBytes * static_cast<std::size_t>(row), pixelBytes});
            file_.Write({padding_.data(), padding_.size()});
        }
    }
    unflushed_ += rowBytes_ * static_cast<std::size_t>(count);
    if (unflushed_ >= (std::size_t{8} << 20)) {  // the disk works on it while the rest is made
        file_.StartFlush();
        unflushed_ = 0;
    }
}

void BottomUpImageFile::Commit() {
    file_.Commit();
}

void WriteImageFile(const std::string& path, const RgbImage& image) {
    const std::string extension = Extension(path);
    if (!IsImageFileName(path)) {
        throw std::invalid_argument("\"" + path + "\" names no picture kind this program writes: end it in .png, "
                                    ".jpg, .tga or .bmp.");
    }
    if (IsBottomUpImageFileName(path)) {
        // A megabyte or so of rows at a time, turned in a buffer of their own.
        BottomUpImageFile file(path, image.Width, image.Height);
        const std::size_t rowBytes = static_cast<std::size_t>(image.Width) * 3;
        const int rowsAtOnce = static_cast<int>(std::max<std::size_t>(1, (std::size_t{1} << 20) / std::max<std::size_t>(rowBytes, 1)));
        std::vector<std::uint8_t> rows(rowBytes * static_cast<std::size_t>(rowsAtOnce));
        for (int y = image.Height - 1; y >= 0;) {
            int count = 0;
            for (; count < rowsAtOnce && y >= 0; ++count, --y) {
                std::copy_n(image.At(0, y), rowBytes, rows.data() + rowBytes * static_cast<std::size_t>(count));
            }
            file.WriteRows(rows.data(), count);
        }
        file.Commit();
        return;
    }
    ReplacementFile file(path);
    if (extension == "png") {
        WritePng(file, image);
    } else {
        const std::vector<std::uint8_t> jpeg = ijl::EncodeJpeg(image.Pixels.data(), image.Width, image.Height, 95);
        file.Write({reinterpret_cast<const char*>(jpeg.data()), jpeg.size()});
    }
    file.Commit();
}

}  // namespace vantorix::cube
