#include "platform/Gdi.h"

#include "platform/FileError.h"
#include "platform/win32/Windows.h"

#include <cstring>

// Windows' own drawing calls behind the layer's declarations; the records
// are laid out as Windows' (see Gdi.h).
namespace vantorix::gdi {

static_assert(sizeof(BITMAPINFOHEADER) == sizeof(::BITMAPINFOHEADER));
static_assert(sizeof(BITMAP) <= sizeof(::BITMAP));

HDC CreateCompatibleDC(HDC hdc) {
    return ::CreateCompatibleDC(hdc);
}

BOOL DeleteDC(HDC hdc) {
    return ::DeleteDC(hdc);
}

HBITMAP CreateDIBSection(HDC hdc, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section, DWORD offset) {
    if (bits != nullptr) *bits = nullptr;
    // The screen's context when none is given, as the layer on Linux takes it.
    const HDC screen = hdc == nullptr ? ::GetDC(nullptr) : nullptr;
    const HBITMAP made = ::CreateDIBSection(hdc != nullptr ? hdc : screen, reinterpret_cast<const ::BITMAPINFO*>(info),
                                            usage, bits, section, offset);
    if (screen != nullptr) ::ReleaseDC(nullptr, screen);
    return made;
}

HBITMAP CreateCompatibleBitmap(HDC hdc, int width, int height) {
    return ::CreateCompatibleBitmap(hdc, width, height);
}

HGDIOBJ SelectObject(HDC hdc, HGDIOBJ object) {
    return ::SelectObject(hdc, object);
}

BOOL DeleteObject(HGDIOBJ object) {
    return ::DeleteObject(object);
}

int GetObjectA(HGDIOBJ object, int size, void* buffer) {
    if (buffer == nullptr) return sizeof(BITMAP);
    if (size < static_cast<int>(sizeof(BITMAP))) return 0;
    ::BITMAP description{};
    if (::GetObjectW(object, sizeof description, &description) == 0) return 0;
    // Windows' record ends in a pointer; the layer's in a 32-bit field that stays 0.
    BITMAP ours{description.bmType, description.bmWidth, description.bmHeight, description.bmWidthBytes,
                description.bmPlanes, description.bmBitsPixel, 0};
    std::memcpy(buffer, &ours, sizeof ours);
    return sizeof(BITMAP);
}

BOOL BitBlt(HDC destination, int x, int y, int width, int height, HDC source, int sourceX, int sourceY, DWORD rop) {
    return ::BitBlt(destination, x, y, width, height, source, sourceX, sourceY, rop);
}

HWND GetDesktopWindow() {
    return ::GetDesktopWindow();
}

HDC GetDC(HWND window) {
    return ::GetDC(window);
}

int ReleaseDC(HWND window, HDC hdc) {
    return ::ReleaseDC(window, hdc);
}

HANDLE CreateFileMappingA(const std::string& path) {
    const HANDLE file = ::CreateFileW(win32::Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) throw FileError("open", path, win32::LastErrno());
    // Copy on write: a section over it may be written, never the file.
    const HANDLE mapping = ::CreateFileMappingW(file, nullptr, PAGE_WRITECOPY, 0, 0, nullptr);
    ::CloseHandle(file);
    return mapping;
}

BOOL CloseHandle(HANDLE object) {
    return ::CloseHandle(object);
}

std::shared_ptr<const FileMapping> SectionFile(HBITMAP) {
    return nullptr;
}

int LiveObjectCount() {
    return static_cast<int>(::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS));
}

}  // namespace vantorix::gdi
