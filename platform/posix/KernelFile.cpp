#include "platform/KernelFile.h"

#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vantorix::kernel {

std::optional<WIN32_FIND_DATA> FindFirstFileA(const std::string& lpFileName) {
    struct stat info {};
    if (::stat(lpFileName.c_str(), &info) != 0) return std::nullopt;
    WIN32_FIND_DATA found;
    found.dwFileAttributes = info.st_mode;
    found.ftLastAccessTime = info.st_atim;
    found.ftLastWriteTime = info.st_mtim;
    return found;
}

HFILE _lopen(const std::string& lpPathName, int iReadWrite) {
    const int access = (iReadWrite & OF_WRITE) != 0 ? O_WRONLY : O_RDONLY;
    const int fd = ::open(lpPathName.c_str(), access | O_CLOEXEC);
    return fd < 0 ? HFILE_ERROR : fd;
}

int _lclose(HFILE hFile) {
    return ::close(hFile) == 0 ? 0 : HFILE_ERROR;
}

bool SetFileTime(HFILE hFile, const FILETIME* /*lpCreationTime*/, const FILETIME* lpLastAccessTime,
                 const FILETIME* lpLastWriteTime) {
    const timespec omit{0, UTIME_OMIT};
    const timespec times[2] = {lpLastAccessTime != nullptr ? *lpLastAccessTime : omit,
                               lpLastWriteTime != nullptr ? *lpLastWriteTime : omit};
    return ::futimens(hFile, times) == 0;
}

bool SetFileAttributesA(const std::string& lpFileName, DWORD dwFileAttributes) {
    return ::chmod(lpFileName.c_str(), static_cast<mode_t>(dwFileAttributes & 07777)) == 0;
}

bool IsReadOnly(DWORD dwFileAttributes) {
    return (dwFileAttributes & S_IWUSR) == 0;
}

bool IsFolder(DWORD dwFileAttributes) {
    return S_ISDIR(dwFileAttributes);
}

int lstrlenA(const char* lpString) {
    return lpString == nullptr ? 0 : static_cast<int>(std::strlen(lpString));
}

}  // namespace vantorix::kernel
