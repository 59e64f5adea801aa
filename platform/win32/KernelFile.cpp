#include "platform/KernelFile.h"

#include "platform/win32/Windows.h"

#include <cstring>

namespace vantorix::kernel {

namespace {

FILETIME Ours(const ::FILETIME& time) { return {time.dwLowDateTime, time.dwHighDateTime}; }
::FILETIME Windows(const FILETIME& time) { return {time.dwLowDateTime, time.dwHighDateTime}; }

}  // namespace

std::optional<WIN32_FIND_DATA> FindFirstFileA(const std::string& lpFileName) {
    // Looked up by its exact name: no "*" or "?" of it is taken as a pattern.
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExW(win32::Wide(lpFileName).c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
    WIN32_FIND_DATA found;
    found.dwFileAttributes = data.dwFileAttributes;
    found.ftCreationTime = Ours(data.ftCreationTime);
    found.ftLastAccessTime = Ours(data.ftLastAccessTime);
    found.ftLastWriteTime = Ours(data.ftLastWriteTime);
    return found;
}

HFILE _lopen(const std::string& lpPathName, int iReadWrite) {
    const DWORD access = (iReadWrite & OF_WRITE) != 0 ? GENERIC_WRITE : GENERIC_READ;
    const DWORD share = (iReadWrite & OF_SHARE_DENY_WRITE) != 0 ? FILE_SHARE_READ : FILE_SHARE_READ | FILE_SHARE_WRITE;
    const HANDLE file = ::CreateFileW(win32::Wide(lpPathName).c_str(), access, share, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    return file == INVALID_HANDLE_VALUE ? HFILE_ERROR : reinterpret_cast<HFILE>(file);
}

int _lclose(HFILE hFile) {
    return ::CloseHandle(reinterpret_cast<HANDLE>(hFile)) ? 0 : static_cast<int>(HFILE_ERROR);
}

bool SetFileTime(HFILE hFile, const FILETIME* lpCreationTime, const FILETIME* lpLastAccessTime,
                 const FILETIME* lpLastWriteTime) {
    const ::FILETIME created = lpCreationTime != nullptr ? Windows(*lpCreationTime) : ::FILETIME{};
    const ::FILETIME accessed = lpLastAccessTime != nullptr ? Windows(*lpLastAccessTime) : ::FILETIME{};
    const ::FILETIME written = lpLastWriteTime != nullptr ? Windows(*lpLastWriteTime) : ::FILETIME{};
    return ::SetFileTime(reinterpret_cast<HANDLE>(hFile), lpCreationTime != nullptr ? &created : nullptr,
                         lpLastAccessTime != nullptr ? &accessed : nullptr,
                         lpLastWriteTime != nullptr ? &written : nullptr) != 0;
}

bool SetFileAttributesA(const std::string& lpFileName, DWORD dwFileAttributes) {
    return ::SetFileAttributesW(win32::Wide(lpFileName).c_str(), dwFileAttributes) != 0;
}

bool IsReadOnly(DWORD dwFileAttributes) {
    return (dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0;
}

bool IsFolder(DWORD dwFileAttributes) {
    return (dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

int lstrlenA(const char* lpString) {
    return lpString == nullptr ? 0 : static_cast<int>(std::strlen(lpString));
}

}  // namespace vantorix::kernel
