#include "platform/FileSearch.h"

#include "platform/FileSystem.h"
#include "platform/win32/Windows.h"

namespace vantorix {

// Windows' own look-up, with its own pattern rules (it ignores case, as the
// file system does); hidden and system files and folders are passed over.
std::optional<std::string> FindFileByPattern(const std::string& pattern) {
    if (pattern.empty()) return std::nullopt;
    const std::string searched = IsPathSeparator(pattern.back()) ? pattern + "*" : pattern;
    WIN32_FIND_DATAW found{};
    const HANDLE search = ::FindFirstFileExW(win32::Wide(searched).c_str(), FindExInfoBasic, &found,
                                             FindExSearchNameMatch, nullptr, 0);
    if (search == INVALID_HANDLE_VALUE) return std::nullopt;
    std::optional<std::string> name;
    do {
        constexpr DWORD passedOver = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
        if ((found.dwFileAttributes & passedOver) == 0) name = win32::Utf8(found.cFileName);
    } while (!name && ::FindNextFileW(search, &found));
    ::FindClose(search);
    return name;
}

}  // namespace vantorix
