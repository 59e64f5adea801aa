#include "platform/ReplacementFile.h"

#include "platform/FileError.h"
#include "platform/FileMapping.h"
#include "platform/FileSystem.h"
#include "platform/win32/Windows.h"

#include <algorithm>
#include <cerrno>

namespace vantorix {

struct ReplacementFile::Kept {
    DWORD Attributes;
    ::FILETIME Created, Accessed, Written;
};

namespace {

HANDLE Handle(std::intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

// The final path opened for writing where it stands, or none when it is not
// a plain file of one name that the user may write: a link could lead the
// bytes into any file the user may write, a render of the run among them.
// Nothing of the old file is cut yet.
HANDLE OpenInPlace(const std::string& path) {
    const HANDLE file = ::CreateFileW(win32::Wide(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE) return file;
    BY_HANDLE_FILE_INFORMATION information{};
    if (::GetFileInformationByHandle(file, &information) && information.nNumberOfLinks == 1 &&
        (information.dwFileAttributes &
         (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) == 0 &&
        !GuardedAs({information.dwVolumeSerialNumber,
                    (static_cast<unsigned long long>(information.nFileIndexHigh) << 32) | information.nFileIndexLow})) {
        return file;
    }
    ::CloseHandle(file);
    return INVALID_HANDLE_VALUE;
}

}  // namespace

ReplacementFile::ReplacementFile(std::string path, InPlaceWriting inPlace) : path_(std::move(path)) {
    RefuseReplacingReadOnly(path_);
    RefuseReplacingGuarded(path_);
    for (int attempt = 0; handle_ == -1; ++attempt) {
        writePath_ = TemporaryPathBeside(path_);
        // Shared for writing too: a writer that opens files by name (the JPEG library) writes here.
        const HANDLE file = ::CreateFileW(win32::Wide(writePath_).c_str(), GENERIC_WRITE,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, CREATE_NEW,
                                          FILE_ATTRIBUTE_HIDDEN, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            handle_ = reinterpret_cast<std::intptr_t>(file);
            break;
        }
        const int error = win32::LastErrno();
        if (error == EEXIST && attempt < 100) continue;
        if (error == EACCES && inPlace == InPlaceWriting::ForAPlainFile) {
            const HANDLE existing = OpenInPlace(path_);
            if (existing != INVALID_HANDLE_VALUE) {
                handle_ = reinterpret_cast<std::intptr_t>(existing);
                writePath_ = path_;
                break;
            }
        }
        throw FileError("write", path_, error);
    }
}

ReplacementFile::~ReplacementFile() {
    if (!committed_) Discard();
}

void ReplacementFile::Write(std::string_view bytes) {
    while (!bytes.empty()) {
        DWORD written = 0;
        const DWORD asked = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 30));
        if (!::WriteFile(Handle(handle_), bytes.data(), asked, &written, nullptr)) Fail(win32::LastErrno());
        bytes.remove_prefix(written);
        written_ += written;
    }
}

void ReplacementFile::Write(std::span<const std::string_view> pieces) {
    for (const std::string_view piece : pieces) Write(piece);
}

void ReplacementFile::CopyFrom(const FileMapping& source, std::size_t offset, std::size_t count) {
    if (offset > source.Size() || count > source.Size() - offset) {
        throw FileError("read", source.Path(), "it was cut short while it was being read");
    }
    Write({reinterpret_cast<const char*>(source.Data()) + offset, count});
}

void ReplacementFile::StartFlush() noexcept {}  // Windows writes back on its own; Commit flushes

void ReplacementFile::KeepAttributesOf(const std::string& source) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExW(win32::Wide(source).c_str(), GetFileExInfoStandard, &data)) {
        throw FileError("read", source, win32::LastErrno());
    }
    kept_ = std::make_unique<Kept>(Kept{data.dwFileAttributes, data.ftCreationTime, data.ftLastAccessTime,
                                        data.ftLastWriteTime});
}

void ReplacementFile::Commit() {
    const HANDLE file = Handle(handle_);
    // In place, the old file is cut only now, so that it never holds less than the new bytes.
    if (WritesInPlace()) {
        LARGE_INTEGER end{};
        end.QuadPart = written_;
        if (!::SetFilePointerEx(file, end, nullptr, FILE_BEGIN) || !::SetEndOfFile(file)) Fail(win32::LastErrno());
    }
    if (kept_ && !::SetFileTime(file, &kept_->Created, &kept_->Accessed, &kept_->Written)) Fail(win32::LastErrno());
    if (!::FlushFileBuffers(file)) Fail(win32::LastErrno());
    const BOOL closed = ::CloseHandle(file);
    handle_ = -1;
    if (!closed) Fail(win32::LastErrno());
    if (kept_) {
        // As the file had them, read-only among them; hidden it was only while it was written.
        if (!::SetFileAttributesW(win32::Wide(writePath_).c_str(), kept_->Attributes & ~FILE_ATTRIBUTE_DIRECTORY)) {
            Fail(win32::LastErrno());
        }
    } else if (!WritesInPlace()) {
        ::SetFileAttributesW(win32::Wide(writePath_).c_str(), FILE_ATTRIBUTE_NORMAL);
    }
    if (!WritesInPlace()) {
        // The folder may have changed while the file was written.
        RefuseReplacingGuarded(path_);
        MoveIntoPlace(writePath_, path_);
    }
    committed_ = true;
}

void ReplacementFile::Discard() noexcept {
    if (handle_ != -1) ::CloseHandle(Handle(handle_));
    handle_ = -1;
    if (!WritesInPlace()) ::DeleteFileW(win32::Wide(writePath_).c_str());
}

}  // namespace vantorix
