#include "platform/Gdi.h"

#include "platform/FileError.h"
#include "platform/FileMapping.h"
#include "platform/win32/Windows.h"

#include <cstring>
#include <memory>
#include <mutex>
#include <unordered_map>

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

namespace {

// A file mapped for a section stays open, against writers and deleters, for
// as long as a bitmap made over it lives: its mapping's until the mapping
// handle is closed, then the bitmap's until it is deleted.
struct OpenFile {
    std::string Path;
    HANDLE Handle;
    std::size_t Size;
};
std::mutex filesLock;
std::unordered_map<HANDLE, std::shared_ptr<OpenFile>> filesByMapping;
std::unordered_map<HBITMAP, std::shared_ptr<const FileMapping>> filesBySection;

// Only a local disk's pages are sure to be there when read: over a network
// or from a removable drive, a read of a view could fail with an in-page
// error where nothing can catch it, so such a file is read instead.
bool OnALocalDisk(const std::wstring& path) {
    wchar_t volume[MAX_PATH + 1] = {};
    return ::GetVolumePathNameW(path.c_str(), volume, MAX_PATH) && ::GetDriveTypeW(volume) == DRIVE_FIXED;
}

}  // namespace

HBITMAP CreateDIBSection(HDC hdc, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section, DWORD offset) {
    void* madeBits = nullptr;
    // The screen's context when none is given, as the layer on Linux takes it.
    const HDC screen = hdc == nullptr ? ::GetDC(nullptr) : nullptr;
    const HBITMAP made = ::CreateDIBSection(hdc != nullptr ? hdc : screen, reinterpret_cast<const ::BITMAPINFO*>(info),
                                            usage, &madeBits, section, offset);
    if (screen != nullptr) ::ReleaseDC(nullptr, screen);
    if (bits != nullptr) *bits = made != nullptr ? madeBits : nullptr;
    if (made != nullptr && section != nullptr) {
        const std::lock_guard lock(filesLock);
        const auto file = filesByMapping.find(section);
        if (file != filesByMapping.end()) {
            // The bitmap's rows lie `offset` bytes into the file, in the view Windows made of it.
            HANDLE kept = nullptr;
            ::DuplicateHandle(::GetCurrentProcess(), file->second->Handle, ::GetCurrentProcess(), &kept, 0, FALSE,
                              DUPLICATE_SAME_ACCESS);
            if (kept != nullptr) {
                filesBySection[made] = FileMapping::Holding(file->second->Path, reinterpret_cast<std::intptr_t>(kept),
                                                            static_cast<const std::uint8_t*>(madeBits) - offset,
                                                            file->second->Size);
            }
        }
    }
    return made;
}

HBITMAP CreateCompatibleBitmap(HDC hdc, int width, int height) {
    return ::CreateCompatibleBitmap(hdc, width, height);
}

HGDIOBJ SelectObject(HDC hdc, HGDIOBJ object) {
    return ::SelectObject(hdc, object);
}

BOOL DeleteObject(HGDIOBJ object) {
    const BOOL deleted = ::DeleteObject(object);
    if (deleted) {
        const std::lock_guard lock(filesLock);
        filesBySection.erase(static_cast<HBITMAP>(object));
    }
    return deleted;
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
    const std::wstring wide = win32::Wide(path);
    const HANDLE file =
        ::CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) throw FileError("open", path, win32::LastErrno());
    LARGE_INTEGER size{};
    if (!OnALocalDisk(wide) || !::GetFileSizeEx(file, &size) || size.QuadPart <= 0) {
        ::CloseHandle(file);
        return nullptr;
    }
    // Copy on write: a section over it may be written, never the file.
    const HANDLE mapping = ::CreateFileMappingW(file, nullptr, PAGE_WRITECOPY, 0, 0, nullptr);
    if (mapping == nullptr) {
        ::CloseHandle(file);
        return nullptr;
    }
    const std::lock_guard lock(filesLock);
    filesByMapping[mapping] = std::shared_ptr<OpenFile>(new OpenFile{path, file, static_cast<std::size_t>(size.QuadPart)},
                                                        [](OpenFile* held) {
                                                            ::CloseHandle(held->Handle);
                                                            delete held;
                                                        });
    return mapping;
}

BOOL CloseHandle(HANDLE object) {
    {
        const std::lock_guard lock(filesLock);
        filesByMapping.erase(object);
    }
    return ::CloseHandle(object);
}

std::shared_ptr<const FileMapping> SectionFile(HBITMAP section) {
    const std::lock_guard lock(filesLock);
    const auto file = filesBySection.find(section);
    return file != filesBySection.end() ? file->second : nullptr;
}

int LiveObjectCount() {
    return static_cast<int>(::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS));
}

}  // namespace vantorix::gdi
