#include "imaging/mIntelJPEGLibrary.h"

#include "imaging/CheckedInt.h"
#include "platform/FileError.h"
#include "platform/FileMapping.h"
#include "platform/FileSystem.h"
#include "platform/JpegLibrary.h"
#include "platform/KernelFile.h"
#include "platform/ReplacementFile.h"

#include <cerrno>
#include <cstring>
#include <optional>

namespace vantorix {

namespace {

// ijlFree exactly once after a successful ijlInit, however the write ends.
class EncoderSession {
public:
    explicit EncoderSession(ijl::JPEG_CORE_PROPERTIES& properties) : properties_(properties) {}
    ~EncoderSession() { ijl::ijlFree(&properties_); }
    EncoderSession(const EncoderSession&) = delete;
    EncoderSession& operator=(const EncoderSession&) = delete;

private:
    ijl::JPEG_CORE_PROPERTIES& properties_;
};

void RestoreTimesAndAttributes(const std::string& sFile, const kernel::WIN32_FIND_DATA& old) {
    const kernel::HFILE hFile = kernel::_lopen(sFile, kernel::OF_WRITE | kernel::OF_SHARE_DENY_WRITE);
    if (hFile == kernel::HFILE_ERROR) return;
    kernel::SetFileTime(hFile, &old.ftCreationTime, &old.ftLastAccessTime, &old.ftLastWriteTime);
    kernel::_lclose(hFile);
    kernel::SetFileAttributesA(sFile, old.dwFileAttributes);
}

thread_local std::string lastFailure;

bool Failed(std::string why) {
    lastFailure = std::move(why);
    return false;
}

}  // namespace

bool WriteJPEG(cDIBSection& cDib, const std::string& sFile, std::int32_t lQuality) {
    lastFailure.clear();
    ijl::JPEG_CORE_PROPERTIES tJ{};
    if (ijl::ijlInit(&tJ) != ijl::IJL_OK) return Failed("the JPEG encoder could not be set up");
    const EncoderSession session(tJ);

    // A name that can hold no file fails as the library's write would, before anything is encoded.
    const auto replaced = kernel::FindFirstFileA(sFile);
    if (sFile.empty()) return Failed("no file name was given");
    if (IsPathSeparator(sFile.back()) || (replaced && kernel::IsFolder(replaced->dwFileAttributes))) {
        return Failed("\"" + sFile + "\" names a folder, not a file");
    }

    tJ.DIBWidth = cDib.Width();
    tJ.DIBHeight = -cDib.Height();
    tJ.DIBBytes = cDib.DIBSectionBitsPtr();
    tJ.DIBPadBytes = cDib.BytesPerScanLine() - CheckedMultiply(3, cDib.Width(), "the bitmap's row size");

    // A file that cannot be created (a missing folder, a full disk) is a
    // failed write, as when the library cannot create it. An old file that
    // may not be replaced (read-only, or in a folder that takes no new files)
    // is refused here, where the old file would have been deleted, so that
    // the error reaches the caller with nothing written.
    std::optional<ReplacementFile> file;
    try {
        file.emplace(sFile);
    } catch (const FileError& error) {
        const int cause = error.ErrorNumber();
        if (cause == 0 || (replaced && (cause == EACCES || cause == EPERM))) throw;
        return Failed(std::strerror(cause));
    }
    tJ.JPGFile = file->WritePath().c_str();
    tJ.JPGOutput = [&file](const unsigned char* bytes, std::size_t size) {
        file->Write({reinterpret_cast<const char*>(bytes), size});
    };
    tJ.JPGWidth = cDib.Width();
    tJ.JPGHeight = cDib.Height();
    tJ.jquality = lQuality;

    if (ijl::ijlWrite(&tJ, ijl::IJL_JFILE_WRITEWHOLEIMAGE) != ijl::IJL_OK) return Failed(ijl::ijlLastErrorText());
    if (const auto view = cDib.File()) view->CheckWhole();  // what the encoder read was the file's own
    file->Commit();
    if (replaced) RestoreTimesAndAttributes(sFile, *replaced);
    return true;
}

std::string LastJPEGWriteFailure() {
    return lastFailure;
}

}  // namespace vantorix
