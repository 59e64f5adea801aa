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
        !GuardedAs(*IdentityOfOpenFile(reinterpret_cast<std::intptr_t>(file)))) {
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
        // Shared for reading only: while it is open, no other program writes, renames or deletes it.
        const HANDLE file = ::CreateFileW(win32::Wide(writePath_).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                          CREATE_NEW, FILE_ATTRIBUTE_HIDDEN, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            handle_ = reinterpret_cast<std::intptr_t>(file);
            break;
        }
        const int error = win32::LastErrno();
        if (error == EEXIST && attempt < 100) continue;
        // A group renames its files together at the end: none can be written in place.
        if (error == EACCES && inPlace == InPlaceWriting::ForAPlainFile && !InGroup()) {
            const HANDLE existing = OpenInPlace(path_);
            if (existing != INVALID_HANDLE_VALUE) {
                handle_ = reinterpret_cast<std::intptr_t>(existing);
                writePath_ = path_;
                break;
            }
        }
        throw FileError("write", path_, error);
    }
    const auto identity = IdentityOfOpenFile(handle_);
    if (!identity) {
        const int error = win32::LastErrno();
        Discard();
        throw FileError("write", path_, error);
    }
    identity_ = *identity;
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

void ReplacementFile::Reserve(long long size) {
    // Room set aside without changing the length an old file written in place has until Commit.
    FILE_ALLOCATION_INFO allocation{};
    allocation.AllocationSize.QuadPart = size;
    if (size <= 0 || ::SetFileInformationByHandle(Handle(handle_), FileAllocationInfo, &allocation, sizeof allocation)) {
        return;
    }
    const DWORD error = ::GetLastError();
    if (error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL) throw FileError("write", path_, win32::ErrnoOf(error));
}

void ReplacementFile::StartFlush() noexcept {}  // Windows writes back on its own; Commit flushes
void ReplacementFile::EndFlush() noexcept {}

void ReplacementFile::KeepAttributesOf(const std::string& source) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExW(win32::Wide(source).c_str(), GetFileExInfoStandard, &data)) {
        throw FileError("read", source, win32::LastErrno());
    }
    kept_ = std::make_unique<Kept>(Kept{data.dwFileAttributes, data.ftCreationTime, data.ftLastAccessTime,
                                        data.ftLastWriteTime});
}

void ReplacementFile::Commit() {
    if (CommitObserver()) CommitObserver()(*this);
    const HANDLE file = Handle(handle_);
    // In place, the old file is cut only now, so that it never holds less than the new bytes.
    if (WritesInPlace()) {
        LARGE_INTEGER end{};
        end.QuadPart = written_;
        if (!::SetFilePointerEx(file, end, nullptr, FILE_BEGIN) || !::SetEndOfFile(file)) Fail(win32::LastErrno());
    }
    // Times and attributes through the handle, never the name: as the old file
    // had them, read-only among them; hidden it was only while it was written.
    FILE_BASIC_INFO basic{};
    const auto time = [](const ::FILETIME& t) {
        LARGE_INTEGER value{};
        value.QuadPart = static_cast<LONGLONG>(static_cast<ULONGLONG>(t.dwHighDateTime) << 32 | t.dwLowDateTime);
        return value;
    };
    if (kept_) {
        basic.CreationTime = time(kept_->Created);
        basic.LastAccessTime = time(kept_->Accessed);
        basic.LastWriteTime = time(kept_->Written);
        basic.FileAttributes = kept_->Attributes & ~FILE_ATTRIBUTE_DIRECTORY;
    } else {
        basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
    }
    if ((kept_ || !WritesInPlace()) && !::SetFileInformationByHandle(file, FileBasicInfo, &basic, sizeof basic)) {
        Fail(win32::LastErrno());
    }
    if (!::FlushFileBuffers(file)) Fail(win32::LastErrno());
    const BOOL closed = ::CloseHandle(file);
    handle_ = -1;
    if (!closed) Fail(win32::LastErrno());
    if (!WritesInPlace()) RenameIntoPlace();
    committed_ = true;
}

void ReplacementFile::Discard() noexcept {
    if (handle_ != -1) ::CloseHandle(Handle(handle_));
    handle_ = -1;
    if (!WritesInPlace()) RemoveIfWritten(writePath_, identity_);
}

}  // namespace vantorix
