#include "imaging/mSaveTGA.h"

#include "imaging/CheckedInt.h"
#include "platform/FileError.h"
#include "platform/FileMapping.h"
#include "platform/ReplacementFile.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <stdexcept>
#include <string_view>
#include <vector>

namespace vantorix {

namespace {

// What every TGA file of ours starts with; throws, before any file is
// touched, for a size the format cannot hold.
std::array<char, 18> CheckedHeader(const std::string& FileName, std::int32_t Width, std::int32_t Height) {
    const std::string sizeText = std::to_string(Width) + " x " + std::to_string(Height) + " pixels";
    const std::string prefix = "Cannot write \"" + FileName + "\": ";
    if (Width < 0 || Height < 0) throw std::out_of_range(prefix + sizeText + " is not a picture size.");
    const std::int32_t rowBytes = CheckedMultiply(Width, 3, "the size of \"" + FileName + "\"");
    CheckedMultiply(rowBytes, Height, "the size of \"" + FileName + "\"");
    if (Width > 32767 || Height > 32767) {
        throw std::overflow_error(prefix + "a TGA picture is at most 32767 pixels wide and high, not " + sizeText + ".");
    }
    std::array<char, 18> header{};
    header[2] = 2;  // uncompressed true-colour
    header[12] = static_cast<char>(Width & 0xFF);
    header[13] = static_cast<char>(Width >> 8);
    header[14] = static_cast<char>(Height & 0xFF);
    header[15] = static_cast<char>(Height >> 8);
    header[16] = 24;
    return header;
}

// Throws what made a write fail: a render cut short, if it was (a write from
// a view cut short fails for want of its pages), else the write's own error;
// either way saying so when an old file written in place may be damaged.
[[noreturn]] void FailedWrite(const ReplacementFile& file, const FileMapping* view, const FileError& error) {
    const std::string damage = file.DamageNote();
    try {
        if (view != nullptr) view->CheckWhole();
    } catch (const FileError& cutShort) {
        if (damage.empty()) throw;
        throw FileError("read", cutShort.Path(), "it was cut short while it was being read. " + damage);
    }
    // The write's own error says so itself when the old file may be damaged.
    throw error;
}

}  // namespace

void SaveTGA(const std::string& FileName, const PixelBlock& Pixels, std::int32_t Width, std::int32_t Height) {
    if (FileName.empty()) return;
    const std::array<char, 18> header = CheckedHeader(FileName, Width, Height);
    const std::int32_t rowBytes = Width * 3;
    if (Pixels.Columns() < rowBytes || Pixels.Rows() < Height) {
        throw std::out_of_range("Cannot write \"" + FileName + "\": the pixel block is smaller than " +
                                std::to_string(Width) + " x " + std::to_string(Height) + " pixels.");
    }
    // The block's rows as they lie, without what the block has beyond the
    // picture: a block exactly as wide as the picture is one piece.
    std::vector<std::string_view> rows{{header.data(), header.size()}};
    const bool whole = Pixels.Columns() == rowBytes;
    for (std::int32_t y = 0; y < (whole ? std::min(Height, 1) : Height) && rowBytes > 0; ++y) {
        rows.emplace_back(reinterpret_cast<const char*>(Pixels.Row(y)),
                          static_cast<std::size_t>(rowBytes) * static_cast<std::size_t>(whole ? Height : 1));
    }
    ReplacementFile file(FileName, InPlaceWriting::ForAPlainFile);
    file.Reserve(18 + static_cast<long long>(rowBytes) * Height);
    file.Write(rows);
    file.Commit();
}

void SaveBitmapAsTGA(const std::string& FileName, const cDIBSection& Bitmap) {
    if (FileName.empty()) return;
    const std::int32_t width = Bitmap.DIBSectionBitsPtr() != nullptr ? Bitmap.Width() : 0;
    const std::int32_t height = Bitmap.DIBSectionBitsPtr() != nullptr ? Bitmap.Height() : 0;
    const std::array<char, 18> header = CheckedHeader(FileName, width, height);
    const std::size_t rowBytes = static_cast<std::size_t>(width) * 3;
    const std::size_t stride = width > 0 ? static_cast<std::size_t>(Bitmap.BytesPerScanLine()) : 0;
    const std::shared_ptr<const FileMapping> view = Bitmap.File();

    ReplacementFile file(FileName, InPlaceWriting::ForAPlainFile);
    file.Reserve(static_cast<long long>(header.size() + rowBytes * static_cast<std::size_t>(height)));
    // An old file written where it stands is touched only for a render that is whole now.
    if (view != nullptr && file.WritesInPlace()) view->CheckWhole();
    try {
        file.Write({header.data(), header.size()});
        if (view != nullptr && stride == rowBytes) {
            // The rows lie in the file as the TGA holds them: the kernel copies them file to file.
            const auto offset = static_cast<std::size_t>(Bitmap.DIBSectionBitsPtr() - view->Data());
            file.CopyFrom(*view, offset, rowBytes * static_cast<std::size_t>(height));
        } else {
            if (view != nullptr) view->MapAllPages();
            std::vector<std::string_view> rows;
            rows.reserve(static_cast<std::size_t>(height));
            for (std::int32_t y = 0; y < height && rowBytes > 0; ++y) {
                rows.emplace_back(reinterpret_cast<const char*>(Bitmap.DIBSectionBitsPtr()) + y * stride, rowBytes);
            }
            file.Write(rows);
        }
        if (view != nullptr) view->CheckWhole();
    } catch (const FileError& error) {
        FailedWrite(file, view.get(), error);
    }
    file.Commit();
}

}  // namespace vantorix
