#include "imaging/mIntelJPEGLibrary.h"

#include "imaging/CheckedInt.h"
#include "platform/FileError.h"
#include "platform/FileSystem.h"
#include "platform/JpegLibrary.h"
#include "platform/KernelFile.h"

#include <cerrno>
#include <cstdio>

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

}  // namespace

bool WriteJPEG(cDIBSection& cDib, const std::string& sFile, std::int32_t lQuality) {
    ijl::JPEG_CORE_PROPERTIES tJ{};
    if (ijl::ijlInit(&tJ) != ijl::IJL_OK) return false;
    const EncoderSession session(tJ);

    // Only a file the owner may write is replaced; the check stands where the
    // old file would have been deleted, so the error reaches the caller with
    // nothing written.
    const auto replaced = kernel::FindFirstFileA(sFile);
    if (replaced && kernel::IsFolder(replaced->dwFileAttributes)) throw FileError("replace", sFile, EISDIR);
    if (replaced && kernel::IsReadOnly(replaced->dwFileAttributes)) {
        throw FileError("replace", sFile, "the file is read-only");
    }

    tJ.DIBWidth = cDib.Width();
    tJ.DIBHeight = -cDib.Height();
    tJ.DIBBytes = cDib.DIBSectionBitsPtr();
    tJ.DIBPadBytes = cDib.BytesPerScanLine() - CheckedMultiply(3, cDib.Width(), "the bitmap's row size");

    const std::string temporary = TemporaryPathBeside(sFile);
    tJ.JPGFile = temporary.c_str();
    tJ.JPGWidth = cDib.Width();
    tJ.JPGHeight = cDib.Height();
    tJ.jquality = lQuality;

    if (ijl::ijlWrite(&tJ, ijl::IJL_JFILE_WRITEWHOLEIMAGE) != ijl::IJL_OK) {
        std::remove(temporary.c_str());
        return false;
    }
    try {
        MoveIntoPlace(temporary, sFile);
    } catch (...) {
        std::remove(temporary.c_str());
        throw;
    }
    if (replaced) RestoreTimesAndAttributes(sFile, *replaced);
    return true;
}

}  // namespace vantorix
