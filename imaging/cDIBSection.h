#pragma once

#include "platform/Gdi.h"

#include <cstdint>
#include <memory>
#include <string>

namespace vantorix {

class FileMapping;
class Picture;

// The program's one in-memory image: a 24-bit bitmap whose pixels can be read
// and written in place, selected into a memory context of its own so that
// blits can fill it or copy it out.
//
// Layout: three bytes per pixel (blue, green, red), rows bottom-up, each row
// BytesPerScanLine() bytes (width x 3 rounded up to a multiple of 4). Byte x
// of memory row y lies at DIBSectionBitsPtr() + y * BytesPerScanLine() + x.
//
// Callers borrow hdc(), hDib() and DIBSectionBitsPtr(); the object releases
// them itself, at ClearUp(), the next Create() or the end of its life. The
// size last requested stays readable after ClearUp().
class cDIBSection {
public:
    cDIBSection() = default;
    ~cDIBSection();
    cDIBSection(const cDIBSection&) = delete;
    cDIBSection& operator=(const cDIBSection&) = delete;

    // Puts a device-dependent copy on the clipboard. Asked for a DIB (the
    // default), it says it cannot and returns false.
    bool CopyToClipboard(bool bAsDIB = true);
    // Writes the header for the size and makes a section, over a file
    // mapping from the offset on when one is given; neither releases an
    // earlier one nor selects the new one.
    bool CreateDIB(gdi::HDC lhDC, std::int32_t lWidth, std::int32_t lHeight, gdi::HBITMAP& hDib,
                   gdi::HANDLE hSection = 0, gdi::DWORD dwOffset = 0);
    // Resizes to the picture and draws it in. Reports nothing: if the
    // bitmap could not be made, hDib() is 0 afterwards.
    void CreateFromPicture(const Picture& picThis);
    // Releases what is held, then makes a new bitmap of the size; false (and
    // empty) when that cannot be done, for instance for a size of 0.
    bool Create(std::int32_t lWidth, std::int32_t lHeight);
    // As Create, but the bitmap's bits are the file's rows from the offset
    // on, read where they lie in the page cache and never written (a file
    // mapping: see FileMapping). False when the file cannot be mapped or
    // does not hold every row. The file may be deleted while it is mapped.
    bool CreateOverFile(const std::string& sFile, std::int32_t lWidth, std::int32_t lHeight, std::uint32_t lOffset);
    // The file the bits are a view of, or null when they are the bitmap's own.
    std::shared_ptr<const FileMapping> File() const;

    std::int32_t BytesPerScanLine() const;
    std::int32_t Width() const { return info_.bmiHeader.biWidth; }
    std::int32_t Height() const { return info_.bmiHeader.biHeight; }

    // Copies from another context into this bitmap at (0, 0); a negative
    // size stands for this bitmap's own width or height.
    void LoadPictureBlt(gdi::HDC lhDC, std::int32_t lSrcLeft = 0, std::int32_t lSrcTop = 0, std::int32_t lSrcWidth = -1,
                        std::int32_t lSrcHeight = -1, gdi::DWORD eRop = gdi::SRCCOPY);
    // Copies this bitmap into another context; negative sizes as above.
    void PaintPicture(gdi::HDC lhDC, std::int32_t lDestLeft = 0, std::int32_t lDestTop = 0, std::int32_t lDestWidth = -1,
                      std::int32_t lDestHeight = -1, std::int32_t lSrcLeft = 0, std::int32_t lSrcTop = 0,
                      gdi::DWORD eRop = gdi::SRCCOPY);

    gdi::HDC hdc() const { return hDC_; }
    gdi::HBITMAP hDib() const { return hDib_; }
    std::uint8_t* DIBSectionBitsPtr() const { return bits_; }

    // Fills every pixel with noise, grey or with blue 0; padding is untouched.
    // A view of a file is left as it is.
    void RandomiseBits(bool bGray = false);
    void ClearUp();

    // A bilinear copy at the new size (note: height first), or null when no
    // bitmap could be made or this one holds none. A source narrower or lower
    // than 2 pixels cannot be blended to another size: std::out_of_range.
    std::unique_ptr<cDIBSection> Resample(std::int32_t lNewHeight, std::int32_t lNewWidth) const;

private:
    bool CreateSection(std::int32_t lWidth, std::int32_t lHeight, gdi::HANDLE hSection, gdi::DWORD dwOffset);
    void ResampleInto(cDIBSection& destination) const;

    gdi::HBITMAP hDib_ = 0;
    gdi::HBITMAP hBmpOld_ = 0;
    gdi::HDC hDC_ = 0;
    std::uint8_t* bits_ = nullptr;
    gdi::BITMAPINFO info_{};
};

}  // namespace vantorix
