#include "imaging/cDIBSection.h"

#include "imaging/CheckedInt.h"
#include "platform/Clipboard.h"
#include "platform/MessageBox.h"
#include "platform/Picture.h"

#include <vantorix/version.h>

#include <algorithm>
#include <cmath>
#include <ctime>
#include <random>
#include <stdexcept>
#include <vector>

namespace vantorix {

using namespace gdi;

cDIBSection::~cDIBSection() { ClearUp(); }

bool cDIBSection::CopyToClipboard(bool bAsDIB) {
    const HWND desktop = GetDesktopWindow();
    const HDC desktopDC = GetDC(desktop);
    if (desktopDC == 0) return false;
    const HDC memoryDC = CreateCompatibleDC(desktopDC);
    if (memoryDC == 0) {
        ReleaseDC(desktop, desktopDC);
        return false;
    }

    bool accepted = false;
    if (bAsDIB) {
        MessageBox("I don't know how to put a DIB on the clipboard! Copy as bitmap instead!!!", ProgramTitle, MB_OK);
    } else if (hDib_ != 0) {
        const HBITMAP copy = CreateCompatibleBitmap(desktopDC, Width(), Height());
        if (copy != 0) {
            const HGDIOBJ kept = SelectObject(memoryDC, copy);
            PaintPicture(memoryDC);
            SelectObject(memoryDC, kept);
            if (OpenClipboard(0)) {
                EmptyClipboard();
                accepted = SetClipboardData(CF_BITMAP, copy) != 0;
                CloseClipboard();
            }
            // Once the clipboard takes the bitmap it owns it; otherwise it is ours to free.
            if (!accepted) DeleteObject(copy);
        }
    }
    DeleteDC(memoryDC);
    ReleaseDC(desktop, desktopDC);
    return accepted;
}

bool cDIBSection::CreateDIB(HDC lhDC, std::int32_t lWidth, std::int32_t lHeight, HBITMAP& hDib, HANDLE hSection,
                            DWORD dwOffset) {
    BITMAPINFOHEADER& header = info_.bmiHeader;
    header.biSize = sizeof(BITMAPINFOHEADER);
    header.biWidth = lWidth;
    header.biHeight = lHeight;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    header.biSizeImage = static_cast<std::uint32_t>(CheckedMultiply(lHeight, BytesPerScanLine(), "the bitmap's size"));

    void* bits = nullptr;
    hDib = CreateDIBSection(lhDC, &info_, DIB_RGB_COLORS, &bits, hSection, dwOffset);
    bits_ = static_cast<std::uint8_t*>(bits);
    return hDib != 0;
}

void cDIBSection::CreateFromPicture(const Picture& picThis) {
    BITMAP description{};
    GetObjectA(picThis.Handle(), sizeof description, &description);
    if (!Create(description.bmWidth, description.bmHeight)) return;

    const HWND desktop = GetDesktopWindow();
    const HDC desktopDC = GetDC(desktop);
    if (desktopDC == 0) return;
    const HDC pictureDC = CreateCompatibleDC(desktopDC);
    ReleaseDC(desktop, desktopDC);
    if (pictureDC == 0) return;

    const HGDIOBJ kept = SelectObject(pictureDC, picThis.Handle());
    LoadPictureBlt(pictureDC, 0, 0, -1, -1, SRCCOPY);
    SelectObject(pictureDC, kept);
    DeleteDC(pictureDC);
}

bool cDIBSection::Create(std::int32_t lWidth, std::int32_t lHeight) {
    return CreateSection(lWidth, lHeight, 0, 0);
}

bool cDIBSection::CreateOverFile(const std::string& sFile, std::int32_t lWidth, std::int32_t lHeight,
                                 std::uint32_t lOffset) {
    ClearUp();
    const HANDLE mapping = CreateFileMappingA(sFile);
    if (mapping == 0) return false;
    bool made = false;
    try {
        made = CreateSection(lWidth, lHeight, mapping, lOffset);
    } catch (...) {
        CloseHandle(mapping);
        throw;
    }
    CloseHandle(mapping);  // the section keeps the view
    return made;
}

std::shared_ptr<const FileMapping> cDIBSection::File() const {
    return hDib_ != 0 ? SectionFile(hDib_) : nullptr;
}

bool cDIBSection::CreateSection(std::int32_t lWidth, std::int32_t lHeight, HANDLE hSection, DWORD dwOffset) {
    ClearUp();
    hDC_ = CreateCompatibleDC(0);
    if (hDC_ == 0) return false;
    bool made = false;
    try {
        made = CreateDIB(hDC_, lWidth, lHeight, hDib_, hSection, dwOffset);
    } catch (...) {
        DeleteDC(hDC_);
        hDC_ = 0;
        throw;
    }
    if (made) {
        hBmpOld_ = static_cast<HBITMAP>(SelectObject(hDC_, hDib_));
        return true;
    }
    DeleteDC(hDC_);
    hDC_ = 0;
    return false;
}

std::int32_t cDIBSection::BytesPerScanLine() const {
    const std::int32_t rowBytes =
        CheckedAdd(CheckedMultiply(Width(), 3, "the bitmap's row size"), 3, "the bitmap's row size");
    return rowBytes & ~3;
}

void cDIBSection::LoadPictureBlt(HDC lhDC, std::int32_t lSrcLeft, std::int32_t lSrcTop, std::int32_t lSrcWidth,
                                 std::int32_t lSrcHeight, DWORD eRop) {
    if (lSrcWidth < 0) lSrcWidth = Width();
    if (lSrcHeight < 0) lSrcHeight = Height();
    BitBlt(hDC_, 0, 0, lSrcWidth, lSrcHeight, lhDC, lSrcLeft, lSrcTop, eRop);
}

void cDIBSection::PaintPicture(HDC lhDC, std::int32_t lDestLeft, std::int32_t lDestTop, std::int32_t lDestWidth,
                               std::int32_t lDestHeight, std::int32_t lSrcLeft, std::int32_t lSrcTop, DWORD eRop) {
    if (lDestWidth < 0) lDestWidth = Width();
    if (lDestHeight < 0) lDestHeight = Height();
    BitBlt(lhDC, lDestLeft, lDestTop, lDestWidth, lDestHeight, hDC_, lSrcLeft, lSrcTop, eRop);
}

void cDIBSection::RandomiseBits(bool bGray) {
    const std::time_t now = std::time(nullptr);
    const std::tm local = *std::localtime(&now);  // the one user-interface thread asks
    std::mt19937 generator(static_cast<std::uint32_t>(local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec));
    std::uniform_real_distribution<double> uniform(0.0, 1.0);
    const auto next = [&] { return static_cast<std::uint8_t>(std::nearbyint(uniform(generator) * 255.0)); };

    if (bits_ == nullptr || File() != nullptr) return;  // no pixels, or a file's, which are never written
    const std::int32_t lastOffset = CheckedMultiply(Width() - 1, 3, "the bitmap's last pixel offset");
    const std::int32_t stride = BytesPerScanLine();
    if (bGray) {
        for (std::int32_t y = 0; y < Height(); ++y) {
            std::uint8_t* row = bits_ + static_cast<std::ptrdiff_t>(y) * stride;
            for (std::int32_t x = 0; x <= lastOffset; x += 3) row[x] = row[x + 1] = row[x + 2] = next();
        }
    } else {
        for (std::int32_t x = 0; x <= lastOffset; x += 3) {
            for (std::int32_t y = 0; y < Height(); ++y) {
                std::uint8_t* pixel = bits_ + static_cast<std::ptrdiff_t>(y) * stride + x;
                pixel[0] = 0;
                pixel[1] = next();
                pixel[2] = next();
            }
        }
    }
}

void cDIBSection::ClearUp() {
    if (hDC_ != 0) {
        if (hDib_ != 0) {
            SelectObject(hDC_, hBmpOld_);
            DeleteObject(hDib_);
        }
        DeleteDC(hDC_);
    }
    hDib_ = 0;
    hBmpOld_ = 0;
    hDC_ = 0;
    bits_ = nullptr;
}

std::unique_ptr<cDIBSection> cDIBSection::Resample(std::int32_t lNewHeight, std::int32_t lNewWidth) const {
    if (hDib_ == 0) return nullptr;
    auto result = std::make_unique<cDIBSection>();
    if (!result->Create(lNewWidth, lNewHeight)) return nullptr;
    if (lNewWidth == Width() && lNewHeight == Height()) {
        result->LoadPictureBlt(hDC_, 0, 0, -1, -1, SRCCOPY);
    } else {
        ResampleInto(*result);
    }
    return result;
}

namespace {

std::uint8_t RoundToByte(double value) {
    return static_cast<std::uint8_t>(std::clamp(std::nearbyint(value), 0.0, 255.0));
}

}  // namespace

// Bilinear: each destination pixel blends the 2 x 2 source pixels around its
// position, rows first, each blend rounded half to even. Positions and
// fractions are single precision, the blends double, so that a blend that
// lands on a half rounds as the exact value does.
void cDIBSection::ResampleInto(cDIBSection& destination) const {
    const std::int32_t sourceWidth = Width(), sourceHeight = Height();
    const std::int32_t width = destination.Width(), height = destination.Height();
    // Every position reads one pixel to the right and one row up.
    if (sourceWidth < 2 || sourceHeight < 2) {
        throw std::out_of_range("A bitmap narrower or lower than 2 pixels cannot be resampled to another size.");
    }
    const float xScale = static_cast<float>(static_cast<double>(sourceWidth - 1) / width);
    const float yScale = static_cast<float>(static_cast<double>(sourceHeight - 1) / height);
    const std::int32_t sourceStride = BytesPerScanLine(), stride = destination.BytesPerScanLine();

    // Single-precision rounding may land a position on the last column or row;
    // blending from the one before with full weight reads the same value and
    // stays inside the source.
    struct Tap {
        std::int32_t index;
        float fraction;
    };
    const auto tapAt = [](float scale, std::int32_t position, std::int32_t sourceSize) {
        const float exact = scale * static_cast<float>(position);
        const auto index = std::min(static_cast<std::int32_t>(std::floor(exact)), sourceSize - 2);
        return Tap{index, exact - static_cast<float>(index)};
    };
    std::vector<Tap> columns(static_cast<std::size_t>(width));
    for (std::int32_t x = 0; x < width; ++x) columns[static_cast<std::size_t>(x)] = tapAt(xScale, x, sourceWidth);

    for (std::int32_t y = 0; y < height; ++y) {
        const Tap row = tapAt(yScale, y, sourceHeight);
        const std::uint8_t* below = bits_ + static_cast<std::ptrdiff_t>(row.index) * sourceStride;
        const std::uint8_t* above = below + sourceStride;
        std::uint8_t* target = destination.bits_ + static_cast<std::ptrdiff_t>(y) * stride;
        for (std::int32_t x = 0; x < width; ++x) {
            const Tap column = columns[static_cast<std::size_t>(x)];
            const std::ptrdiff_t left = static_cast<std::ptrdiff_t>(column.index) * 3;
            for (int channel = 0; channel < 3; ++channel) {
                const auto blendRows = [&](std::ptrdiff_t offset) {
                    const double fraction = row.fraction;
                    return RoundToByte((1.0 - fraction) * below[offset] + fraction * above[offset]);
                };
                const std::uint8_t leftValue = blendRows(left + channel);
                const std::uint8_t rightValue = blendRows(left + 3 + channel);
                const double fraction = column.fraction;
                target[3 * x + channel] = RoundToByte((1.0 - fraction) * leftValue + fraction * rightValue);
            }
        }
    }
}

}  // namespace vantorix
