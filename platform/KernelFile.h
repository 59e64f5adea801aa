#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>

// The few kernel file calls that carry a replaced file's times and
// attributes over to its successor: Windows' own on Windows, over POSIX on
// Linux, where the "attributes" are the file's mode (its type and permission
// bits) and a time is a timespec.
namespace vantorix::kernel {

using DWORD = std::uint32_t;
#ifdef _WIN32
struct FILETIME {  // as Windows holds a time: 100-nanosecond steps since 1601
    DWORD dwLowDateTime = 0, dwHighDateTime = 0;
};
using HFILE = std::intptr_t;  // a file handle
#else
using FILETIME = timespec;
using HFILE = int;
#endif

inline constexpr HFILE HFILE_ERROR = -1;
inline constexpr int OF_WRITE = 0x1;
inline constexpr int OF_SHARE_DENY_WRITE = 0x20;  // nothing on POSIX to deny others with

struct WIN32_FIND_DATA {
    DWORD dwFileAttributes = 0;
    FILETIME ftCreationTime{};  // left zero where the system does not tell it
    FILETIME ftLastAccessTime{};
    FILETIME ftLastWriteTime{};
};

// The one entry at exactly this path (never read as a pattern), if any.
std::optional<WIN32_FIND_DATA> FindFirstFileA(const std::string& lpFileName);

// Opens an existing file; OF_WRITE opens it for writing. HFILE_ERROR on failure.
HFILE _lopen(const std::string& lpPathName, int iReadWrite);
int _lclose(HFILE hFile);

// Sets the times; a null time is left as it is. Linux keeps no settable
// creation time, so there lpCreationTime is accepted and has no effect.
bool SetFileTime(HFILE hFile, const FILETIME* lpCreationTime, const FILETIME* lpLastAccessTime,
                 const FILETIME* lpLastWriteTime);

// Sets the attributes (on Linux the permission bits; the type bits are ignored).
bool SetFileAttributesA(const std::string& lpFileName, DWORD dwFileAttributes);

// True when the attributes say the owner may not write the file.
bool IsReadOnly(DWORD dwFileAttributes);
bool IsFolder(DWORD dwFileAttributes);

// The length of a NUL-terminated string; 0 for a null pointer.
int lstrlenA(const char* lpString);

}  // namespace vantorix::kernel
