#include "export/ImageFile.h"

#include "platform/JpegLibrary.h"
#include "platform/ReplacementFile.h"

#include <QBuffer>
#include <QImage>
#include <QImageWriter>

#include <algorithm>
#include <array>
#include <cctype>
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

// TGA and BMP rows lie bottom-up in blue, green, red: written a row at a
// time, so no second copy of the picture is made.
void WriteBottomUpBgr(ReplacementFile& file, const RgbImage& image, std::size_t rowBytes) {
    std::vector<char> row(rowBytes, '\0');
    for (int y = image.Height - 1; y >= 0; --y) {
        const std::uint8_t* in = image.At(0, y);
        for (int x = 0; x < image.Width; ++x, in += 3) {
            row[3 * x] = static_cast<char>(in[2]);
            row[3 * x + 1] = static_cast<char>(in[1]);
            row[3 * x + 2] = static_cast<char>(in[0]);
        }
        file.Write({row.data(), row.size()});
    }
}

void WriteTga(ReplacementFile& file, const RgbImage& image) {
    if (image.Width > 65535 || image.Height > 65535) throw std::invalid_argument("A TGA picture is at most 65535 pixels a side.");
    std::array<char, 18> header{};
    header[2] = 2;  // uncompressed true-colour
    PutLittle(&header[12], static_cast<std::uint32_t>(image.Width), 2);
    PutLittle(&header[14], static_cast<std::uint32_t>(image.Height), 2);
    header[16] = 24;
    file.Write({header.data(), header.size()});
    WriteBottomUpBgr(file, image, static_cast<std::size_t>(image.Width) * 3);
}

void WriteBmp(ReplacementFile& file, const RgbImage& image) {
    const std::size_t rowBytes = (static_cast<std::size_t>(image.Width) * 3 + 3) & ~std::size_t{3};
    const unsigned long long pixelBytes = rowBytes * static_cast<unsigned long long>(image.Height);
    if (pixelBytes + 54 > 0xFFFFFFFFull) throw std::invalid_argument("A BMP file holds at most 4 GB.");
    std::array<char, 54> header{};
    header[0] = 'B';
    header[1] = 'M';
    PutLittle(&header[2], static_cast<std::uint32_t>(54 + pixelBytes), 4);
    PutLittle(&header[10], 54, 4);
    PutLittle(&header[14], 40, 4);
    PutLittle(&header[18], static_cast<std::uint32_t>(image.Width), 4);
    PutLittle(&header[22], static_cast<std::uint32_t>(image.Height), 4);
    PutLittle(&header[26], 1, 2);
    PutLittle(&header[28], 24, 2);
    PutLittle(&header[34], static_cast<std::uint32_t>(pixelBytes), 4);
    PutLittle(&header[38], 2835, 4);  // 72 dots per inch
    PutLittle(&header[42], 2835, 4);
    file.Write({header.data(), header.size()});
    WriteBottomUpBgr(file, image, rowBytes);
}

void WritePng(ReplacementFile& file, const RgbImage& image) {
    const QImage picture(image.Pixels.data(), image.Width, image.Height, image.Width * 3, QImage::Format_RGB888);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    if (!writer.write(picture)) throw std::runtime_error("the PNG encoder failed: " + writer.errorString().toStdString());
    file.Write({buffer.data().constData(), static_cast<std::size_t>(buffer.data().size())});
}

}  // namespace

bool IsImageFileName(const std::string& path) {
    const std::string extension = Extension(path);
    return extension == "png" || extension == "jpg" || extension == "jpeg" || extension == "tga" || extension == "bmp";
}

void WriteImageFile(const std::string& path, const RgbImage& image) {
    const std::string extension = Extension(path);
    if (!IsImageFileName(path)) {
        throw std::invalid_argument("\"" + path + "\" names no picture kind this program writes: end it in .png, "
                                    ".jpg, .tga or .bmp.");
    }
    ReplacementFile file(path);
    if (extension == "tga") {
        WriteTga(file, image);
    } else if (extension == "bmp") {
        WriteBmp(file, image);
    } else if (extension == "png") {
        WritePng(file, image);
    } else {
        const std::vector<std::uint8_t> jpeg = ijl::EncodeJpeg(image.Pixels.data(), image.Width, image.Height, 95);
        file.Write({reinterpret_cast<const char*>(jpeg.data()), jpeg.size()});
    }
    file.Commit();
}

}  // namespace vantorix::cube
