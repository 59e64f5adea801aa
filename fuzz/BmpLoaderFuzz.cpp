// Any bytes as a BMP file, through the platform picture reader into the bitmap.
#include "fuzz/FuzzInput.h"
#include "imaging/mPictureLoader.h"
#include "platform/FileError.h"

#ifndef _WIN32
#include <QtGlobal>
#endif

#include <stdexcept>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vantorix;
    const std::string path = fuzz::WriteInputFile("input.bmp", data, size);
    try {
        if (LoadPictureFile(path) != PictureStatus::Loaded) return 0;
    } catch (const FileError&) {
        return 0;
    } catch (const std::overflow_error&) {
        return 0;
    }
    PixelBlock pixels;
    CopyPicturePixels(pixels);
    return 0;
}

#ifndef _WIN32
// The image reader's warnings about broken files are what this target feeds it.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    return 0;
}
#endif
