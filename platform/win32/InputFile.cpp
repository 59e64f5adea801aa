#include "platform/InputFile.h"

#include "platform/FileError.h"
#include "platform/win32/Windows.h"

#include <algorithm>

namespace vantorix {

namespace {

HANDLE Win(std::intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

// Others may go on reading, writing, renaming and deleting the file meanwhile, as on Linux.
HANDLE OpenForReading(const std::string& path) {
    return ::CreateFileW(win32::Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

bool IsRegularFile(HANDLE file) {
    BY_HANDLE_FILE_INFORMATION information{};
    return ::GetFileInformationByHandle(file, &information) &&
           (information.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) == 0;
}

long long SizeOf(HANDLE file) {
    LARGE_INTEGER size{};
    return ::GetFileSizeEx(file, &size) ? size.QuadPart : 0;
}

}  // namespace

std::optional<InputFile> InputFile::TryOpen(const std::string& path, int& error) {
    error = 0;
    const DWORD attributes = ::GetFileAttributesW(win32::Wide(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return std::nullopt;
    const HANDLE file = OpenForReading(path);
    if (file == INVALID_HANDLE_VALUE) {
        error = win32::LastErrno();
        return std::nullopt;
    }
    InputFile opened;
    opened.path_ = path;
    opened.handle_ = reinterpret_cast<std::intptr_t>(file);
    opened.size_ = SizeOf(file);
    return opened;
}

InputFile::InputFile(const std::string& path) : path_(path) {
    const HANDLE file = OpenForReading(path);
    if (file == INVALID_HANDLE_VALUE) throw FileError("open", path, win32::LastErrno());
    if (!IsRegularFile(file)) {
        ::CloseHandle(file);
        throw FileError("open", path, "it is not a file");
    }
    handle_ = reinterpret_cast<std::intptr_t>(file);
    size_ = SizeOf(file);
}

InputFile::InputFile(InputFile&& other) noexcept
    : path_(std::move(other.path_)), handle_(other.handle_), size_(other.size_) {
    other.handle_ = -1;
}

InputFile::~InputFile() {
    if (handle_ != -1) ::CloseHandle(Win(handle_));
}

std::size_t InputFile::ReadAt(long long offset, std::uint8_t* buffer, std::size_t count) const {
    std::size_t done = 0;
    while (done < count) {
        OVERLAPPED at{};
        const unsigned long long position = static_cast<unsigned long long>(offset) + done;
        at.Offset = static_cast<DWORD>(position);
        at.OffsetHigh = static_cast<DWORD>(position >> 32);
        DWORD got = 0;
        const DWORD asked = static_cast<DWORD>(std::min<std::size_t>(count - done, 1u << 30));
        if (!::ReadFile(Win(handle_), buffer + done, asked, &got, &at)) {
            if (::GetLastError() == ERROR_HANDLE_EOF) break;
            throw FileError("read", path_, win32::LastErrno());
        }
        if (got == 0) break;
        done += got;
    }
    return done;
}

}  // namespace vantorix
