#include "export/ImageFile.h"

#include "export/Pixels.h"
#include "export/PngFile.h"
#include "platform/JpegLibrary.h"
#include "platform/ReplacementFile.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
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

}  // namespace

bool IsImageFileName(const std::string& path) {
    const std::string extension = Extension(path);
    return extension == "png" || extension == "jpg" || extension == "jpeg" || extension == "tga" || extension == "bmp";
}

bool IsPngFileName(const std::string& path) {
    return Extension(path) == "png";
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
    if (order == ChannelOrder::Rgb) SwapRedAndBlue(rgbRows, rgbRows, static_cast<std::size_t>(width_) * static_cast<std::size_t>(count));
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
        WritePng(file, image.Width, image.Height,
                 [&](int first, int, std::vector<std::uint8_t>&) { return image.At(0, first); });
    } else {
        const std::vector<std::uint8_t> jpeg = ijl::EncodeJpeg(image.Pixels.data(), image.Width, image.Height, 95);
        file.Write({reinterpret_cast<const char*>(jpeg.data()), jpeg.size()});
    }
    file.Commit();
}

}  // namespace vantorix::cube
