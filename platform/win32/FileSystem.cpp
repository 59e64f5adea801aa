#include "platform/FileSystem.h"

#include "platform/FileError.h"
#include "platform/win32/Windows.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

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

std::optional<FileIdentity> IdentityOfOpenFile(std::intptr_t handle) {
    const HANDLE file = reinterpret_cast<HANDLE>(handle);
    BY_HANDLE_FILE_INFORMATION information{};
    if (!::GetFileInformationByHandle(file, &information)) return std::nullopt;
    FileIdentity identity{information.dwVolumeSerialNumber,
                          (static_cast<unsigned long long>(information.nFileIndexHigh) << 32) | information.nFileIndexLow,
                          0,
                          (static_cast<long long>(information.nFileSizeHigh) << 32) | information.nFileSizeLow,
                          (static_cast<long long>(information.ftLastWriteTime.dwHighDateTime) << 32) |
                              information.ftLastWriteTime.dwLowDateTime};
    // ReFS numbers its files in 128 bits, of which the index above is only a
    // part. Windows 8's record, declared here since the build targets 7 too.
    struct {
        ULONGLONG VolumeSerialNumber;
        BYTE Identifier[16];
    } id{};
    constexpr auto FileIdInfoClass = static_cast<FILE_INFO_BY_HANDLE_CLASS>(18);  // FileIdInfo
    if (::GetFileInformationByHandleEx(file, FileIdInfoClass, &id, sizeof id)) {
        unsigned long long low = 0, high = 0;
        std::memcpy(&low, id.Identifier, sizeof low);
        std::memcpy(&high, id.Identifier + sizeof low, sizeof high);
        identity.Device = id.VolumeSerialNumber;
        identity.Inode = low;
        identity.InodeHigh = high;
    }
    return identity;
}

namespace {

std::optional<FileIdentity> IdentityOpening(const std::string& path, DWORD flags) {
    // Folders too (backup semantics opens them).
    const HANDLE file = ::CreateFileW(win32::Wide(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | flags, nullptr);
    if (file == INVALID_HANDLE_VALUE) return std::nullopt;
    const auto identity = IdentityOfOpenFile(reinterpret_cast<std::intptr_t>(file));
    ::CloseHandle(file);
    return identity;
}

}  // namespace

std::optional<FileIdentity> IdentityOf(const std::string& path) {
    return IdentityOpening(path, 0);
}

std::optional<FileIdentity> EntryIdentityOf(const std::string& path) {
    return IdentityOpening(path, FILE_FLAG_OPEN_REPARSE_POINT);
}

std::string WhatIsNoFile(const std::string& path) {
    const DWORD attributes = AttributesOf(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? "a folder" : "";
}

bool MakeFolder(const std::string& path) {
    return ::CreateDirectoryW(win32::Wide(path).c_str(), nullptr) != 0;
}

int FolderRefusal(const std::string& path) {
    const DWORD attributes = AttributesOf(path);
    if (attributes != INVALID_FILE_ATTRIBUTES) return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? 0 : ENOTDIR;
    return ::CreateDirectoryW(win32::Wide(path).c_str(), nullptr) ? 0 : win32::LastErrno();
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

int RenameReplacing(const std::string& from, const std::string& to) {
    const std::wstring source = win32::Wide(from), target = win32::Wide(to);
    // Replacing keeps what the old file had beyond its bytes: its access
    // control list, its streams, its creation time. Where Windows will not
    // (no old file, another volume), a plain rename, written through.
    if ((AttributesOf(to) & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
        ::ReplaceFileW(target.c_str(), source.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)) {
        return 0;
    }
    if (::MoveFileExW(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return 0;
    return RenameError(to);
}

void DeleteFile(const std::string& path) {
    if (!::DeleteFileW(win32::Wide(path).c_str())) throw FileError("delete", path, win32::LastErrno());
}

bool DeleteFileIfUnchanged(const std::string& path, const FileIdentity& was) {
    // Opened for deletion, the file is deleted as the identity saw it; no
    // other program may rename it meanwhile.
    const HANDLE file = ::CreateFileW(win32::Wide(path).c_str(), DELETE | FILE_READ_ATTRIBUTES,
                                      FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        if (::GetLastError() == ERROR_FILE_NOT_FOUND) return false;
        throw FileError("delete", path, win32::LastErrno());
    }
    const auto is = IdentityOfOpenFile(reinterpret_cast<std::intptr_t>(file));
    bool deleted = false;
    if (is && Unchanged(was, *is)) {
        FILE_DISPOSITION_INFO disposition{TRUE};
        deleted = ::SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof disposition) != 0;
        if (!deleted) {
            const int error = win32::LastErrno();
            ::CloseHandle(file);
            throw FileError("delete", path, error);
        }
    }
    ::CloseHandle(file);
    return deleted;
}

}  // namespace vantorix
