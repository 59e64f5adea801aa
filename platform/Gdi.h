#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace vantorix {
class FileMapping;
}

// The drawing calls the bitmap class was designed around. On Windows they
// are Windows' own (GDI and USER), behind these declarations so that no
// file outside platform/win32 sees Windows' headers. On Linux they are a
// small handle-based layer of ours: handles are 32-bit values; a handle
// that is not a live object of the expected kind makes a call fail, never
// crash. Everything runs on the one user-interface thread, so the handle
// table is not locked.
#ifdef _WIN32
struct HBITMAP__;
struct HDC__;
struct HWND__;
#else
class QImage;
#endif

namespace vantorix::gdi {

#ifdef _WIN32
using HANDLE = void*;
using HGDIOBJ = void*;
using HBITMAP = ::HBITMAP__*;
using HDC = ::HDC__*;
using HWND = ::HWND__*;
#else
using HANDLE = std::uint32_t;
using HGDIOBJ = HANDLE;
using HBITMAP = HANDLE;
using HDC = HANDLE;
using HWND = HANDLE;
#endif
using BOOL = int;
using UINT = std::uint32_t;
using DWORD = std::uint32_t;

inline constexpr BOOL FALSE = 0;
inline constexpr BOOL TRUE = 1;

inline constexpr DWORD BI_RGB = 0;
inline constexpr UINT DIB_RGB_COLORS = 0;
inline constexpr DWORD SRCCOPY = 0x00CC0020;

struct BITMAPINFOHEADER {
    std::uint32_t biSize;
    std::int32_t biWidth;
    std::int32_t biHeight;  // positive: rows bottom-up; negative: top-down
    std::uint16_t biPlanes;
    std::uint16_t biBitCount;
    std::uint32_t biCompression;
    std::uint32_t biSizeImage;
    std::int32_t biXPelsPerMeter;
    std::int32_t biYPelsPerMeter;
    std::uint32_t biClrUsed;
    std::uint32_t biClrImportant;
};
static_assert(sizeof(BITMAPINFOHEADER) == 40);

struct RGBQUAD {
    std::uint8_t rgbBlue, rgbGreen, rgbRed, rgbReserved;
};

struct BITMAPINFO {
    BITMAPINFOHEADER bmiHeader;
    RGBQUAD bmiColors[1];
};

struct BITMAP {
    std::int32_t bmType;
    std::int32_t bmWidth;
    std::int32_t bmHeight;
    std::int32_t bmWidthBytes;
    std::uint16_t bmPlanes;
    std::uint16_t bmBitsPixel;
    // A 32-bit field cannot hold a 64-bit address; it is always 0 here.
    std::uint32_t bmBits;
};
static_assert(sizeof(BITMAP) == 24);

// Device contexts. 0 asks for a memory context compatible with the screen.
HDC CreateCompatibleDC(HDC hdc);
BOOL DeleteDC(HDC hdc);

// Only uncompressed 24-bit sections are made, rows of width x 3 bytes padded
// to a multiple of 4, bottom-up for a positive height. Without a section
// their memory is their own, zeroed; over a file mapping their bits are the
// file's bytes from the offset on (the file must hold them all; Windows also
// needs the offset a multiple of 4).
HBITMAP CreateDIBSection(HDC hdc, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section, DWORD offset);

// A file mapping for CreateDIBSection, as Windows makes one with
// CreateFileMapping (PAGE_WRITECOPY): a private, read-only view of the whole
// file (see FileMapping), never written through (blits into a section over
// it fail). 0 for an empty file or one that is not a regular file; throws
// FileError when the file cannot be opened. A section made over it keeps
// the view after CloseHandle.
HANDLE CreateFileMappingA(const std::string& path);
BOOL CloseHandle(HANDLE object);
// The file a section was made over (as Windows reports it in the section's
// DIBSECTION), or null for a section of its own memory. On Windows the
// file is held open against writers and deleters while the section lives,
// and a file that is not on a local disk is not mapped (0): it is read.
std::shared_ptr<const FileMapping> SectionFile(HBITMAP section);
// A device-dependent bitmap: 32 bits per pixel, not reachable as memory.
HBITMAP CreateCompatibleBitmap(HDC hdc, int width, int height);

// Selects a bitmap into a memory context and returns the one it held; 0 on failure.
HGDIOBJ SelectObject(HDC hdc, HGDIOBJ object);
// Fails for a bitmap that is still selected into a context.
BOOL DeleteObject(HGDIOBJ object);
// Fills a BITMAP and returns its size, or 0.
int GetObjectA(HGDIOBJ object, int size, void* buffer);

// Copies a rectangle between the bitmaps selected into two contexts,
// converting the pixel format; clipped to both bitmaps. SRCCOPY only.
BOOL BitBlt(HDC destination, int x, int y, int width, int height, HDC source, int sourceX, int sourceY, DWORD rop);

HWND GetDesktopWindow();
// The screen's context: it has no pixels of its own, so blits from or to it fail.
HDC GetDC(HWND window);
int ReleaseDC(HWND window, HDC hdc);

#ifndef _WIN32
// For the platform's own picture loader and clipboard: a device-dependent
// bitmap made from an image, and the image a bitmap holds (null when the
// handle is not a bitmap).
HBITMAP CreateBitmapFromImage(const QImage& image);
QImage BitmapImage(HBITMAP bitmap);
#endif

// How many objects are alive, stock objects excluded: lets tests see that
// nothing leaks (on Windows, the process's GDI objects as Windows counts them).
int LiveObjectCount();

}  // namespace vantorix::gdi
