// Any bytes as a TGA file, from the load through to the pixel copy.
#include "fuzz/FuzzInput.h"
#include "imaging/mPictureLoader.h"
#include "platform/FileError.h"

#include <stdexcept>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vantorix;
    const std::string path = fuzz::WriteInputFile("input.tga", data, size);
    try {
        if (LoadPictureFile(path) != PictureStatus::Loaded) return 0;
    } catch (const FileError&) {  // contents the reader refuses, by name
        return 0;
    } catch (const std::overflow_error&) {
        return 0;
    }
    PixelBlock pixels;
    CopyPicturePixels(pixels);
    if (pixels.Columns() != 3 * LoadedPicture().Width() || pixels.Rows() != LoadedPicture().Height()) std::abort();
    return 0;
}
