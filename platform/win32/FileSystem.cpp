#include "platform/FileSystem.h"

#include "platform/FileError.h"
#include "platform/win32/Windows.h"

#include <algorithm>
#include <cerrno>

namespace vantorix {

namespace {

DWORD AttributesOf(const std::string& path) { return ::GetFileAttributesW(win32::Wide(path).c_str()); }

bool IsFolder(const std::string& path) {
    const DWORD attributes = AttributesOf(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// A rename over a folder fails as Linux's does, not with Windows' "access denied".
int RenameError(const std::string& to) {
    const DWORD error = ::GetLastError();
    if (error == ERROR_ACCESS_DENIED && IsFolder(to)) return EISDIR;
    return win32::ErrnoOf(error);
}

}  // namespace

bool EntryExists(const std::string& path) {
    return AttributesOf(path) != INVALID_FILE_ATTRIBUTES;
}

std::optional<FileIdentity> IdentityOf(const std::string& path) {
    // Links followed; folders too (backup semantics opens them).
    const HANDLE file = ::CreateFileW(win32::Wide(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) return std::nullopt;
    BY_HANDLE_FILE_INFORMATION information{};
    const BOOL known = ::GetFileInformationByHandle(file, &information);
    ::CloseHandle(file);
    if (!known) return std::nullopt;
    return FileIdentity{information.dwVolumeSerialNumber,
                        (static_cast<unsigned long long>(information.nFileIndexHigh) << 32) | information.nFileIndexLow};
}

bool MakeFolder(const std::string& path) {
    return ::CreateDirectoryW(win32::Wide(path).c_str(), nullptr) != 0;
}

int NewFileRefusal(const std::string& folder) {
    std::string probe = folder;
    if (!probe.empty() && !IsPathSeparator(probe.back())) probe += PathSeparator;
    probe = TemporaryPathBeside(probe);
    const HANDLE file = ::CreateFileW(win32::Wide(probe).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file == INVALID_HANDLE_VALUE) return win32::LastErrno();
    ::CloseHandle(file);
    return 0;
}

void RefuseReplacingReadOnly(const std::string& path) {
    const DWORD attributes = AttributesOf(path);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return;
    if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) throw FileError("replace", path, "the file is read-only");
}

void MoveIntoPlace(const std::string& from, const std::string& to) {
    if (const int error = RenameReplacing(from, to)) throw FileError("replace", to, error);
}

int RenameReplacing(const std::string& from, const std::string& to) {
    // Written through: the new name is on disk when the call returns.
    if (::MoveFileExW(win32::Wide(from).c_str(), win32::Wide(to).c_str(),
                      MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return 0;
    }
    return RenameError(to);
}

void DeleteFile(const std::string& path) {
    if (!::DeleteFileW(win32::Wide(path).c_str())) throw FileError("delete", path, win32::LastErrno());
}

int WriteWholeFile(const std::string& path, const void* bytes, std::size_t size) {
    // Opened as it is (a hidden file cannot be "created always") and cut to length after.
    const HANDLE file = ::CreateFileW(win32::Wide(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                      nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return win32::LastErrno();
    const auto* at = static_cast<const char*>(bytes);
    int error = 0;
    while (size > 0 && error == 0) {
        DWORD written = 0;
        if (!::WriteFile(file, at, static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30)), &written, nullptr)) {
            error = win32::LastErrno();
        }
        at += written;
        size -= written;
    }
    if (error == 0 && !::SetEndOfFile(file)) error = win32::LastErrno();
    if (error == 0 && !::FlushFileBuffers(file)) error = win32::LastErrno();
    ::CloseHandle(file);
    return error;
}

}  // namespace vantorix
