#include "platform/FileMapping.h"

#include "platform/FileError.h"
#include "platform/win32/Windows.h"

namespace vantorix {

// Windows refuses to cut short a file while a view of it is mapped, and the
// file is held open against writers and deleters, so a view here never
// loses its pages but to a failing disk or network.
std::shared_ptr<FileMapping> FileMapping::Open(const std::string& path) {
    const HANDLE file = ::CreateFileW(win32::Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) throw FileError("open", path, win32::LastErrno());
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file, &size) || size.QuadPart <= 0 || ::GetFileType(file) != FILE_TYPE_DISK) {
        ::CloseHandle(file);
        return nullptr;
    }
    const HANDLE mapping = ::CreateFileMappingW(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
    const void* view = mapping != nullptr ? ::MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0) : nullptr;
    const int error = win32::LastErrno();
    if (mapping != nullptr) ::CloseHandle(mapping);  // the view keeps it
    if (view == nullptr) {
        ::CloseHandle(file);
        throw FileError("map", path, error);
    }
    return std::shared_ptr<FileMapping>(new FileMapping(path, reinterpret_cast<std::intptr_t>(file),
                                                        static_cast<const std::uint8_t*>(view),
                                                        static_cast<std::size_t>(size.QuadPart), -1));
}

std::shared_ptr<FileMapping> FileMapping::Holding(std::string path, std::intptr_t handle, const std::uint8_t* data,
                                                  std::size_t size) {
    return std::shared_ptr<FileMapping>(new FileMapping(std::move(path), handle, data, size, -2));
}

FileMapping::FileMapping(std::string path, std::intptr_t handle, const std::uint8_t* data, std::size_t size, int slot)
    : path_(std::move(path)), handle_(handle), data_(data), size_(size), slot_(slot) {}

FileMapping::~FileMapping() {
    if (slot_ != -2) ::UnmapViewOfFile(data_);
    ::CloseHandle(reinterpret_cast<HANDLE>(handle_));
}

void FileMapping::MapAllPages() const noexcept {}

bool FileMapping::CutShort() const noexcept {
    return false;
}

void FileMapping::CheckWhole() const {
    LARGE_INTEGER size{};
    if (::GetFileSizeEx(reinterpret_cast<HANDLE>(handle_), &size) && size.QuadPart < static_cast<long long>(size_)) {
        throw FileError("read", path_, "it was cut short while it was being read");
    }
}

}  // namespace vantorix
