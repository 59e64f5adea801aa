#include "platform/JpegLibrary.h"

#include "platform/FileError.h"
#include "platform/JpegBinding.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <memory>
#include <stdexcept>

namespace vantorix::ijl {

namespace {

std::function<void(const JPEG_CORE_PROPERTIES&)> writeObserver;

thread_local std::string lastErrorText;

int Fail(int code, std::string text) {
    lastErrorText = std::move(text);
    return code;
}

// The pitch of one bitmap row, or -1 when the properties do not describe a
// bitmap this encoder can read and a file it can write.
long long CheckedPitch(const JPEG_CORE_PROPERTIES& p) {
    const long long rows = p.DIBHeight < 0 ? -static_cast<long long>(p.DIBHeight) : p.DIBHeight;
    const long long pitch = 3LL * p.DIBWidth + p.DIBPadBytes;
    const bool sound = p.DIBBytes != nullptr && p.DIBWidth > 0 && rows > 0 && p.DIBPadBytes >= 0 &&
                       pitch <= INT_MAX && p.JPGWidth == p.DIBWidth && p.JPGHeight == rows && p.DIBChannels == 3 &&
                       p.DIBColor == IJL_BGR && p.JPGChannels == 3 && p.JPGColor == IJL_YCBCR &&
                       p.JPGSubsampling == IJL_420 && p.jquality >= 0 && p.jquality <= 100;
    return sound ? pitch : -1;
}

}  // namespace

int ijlInit(JPEG_CORE_PROPERTIES* jcprops) {
    const Binding& library = BoundLibrary();
    if (jcprops == nullptr) return IJL_INVALID_PROPERTIES;
    *jcprops = JPEG_CORE_PROPERTIES{};
    jcprops->DIBChannels = 3;
    jcprops->DIBColor = IJL_BGR;
    jcprops->JPGChannels = 3;
    jcprops->JPGColor = IJL_YCBCR;
    jcprops->JPGSubsampling = IJL_420;
    jcprops->jquality = 75;
    jcprops->encoder = library.InitCompress();
    return jcprops->encoder != nullptr ? IJL_OK : IJL_MEMORY_ERROR;
}

int ijlWrite(JPEG_CORE_PROPERTIES* jcprops, int iotype) {
    lastErrorText.clear();
    if (jcprops == nullptr || jcprops->encoder == nullptr) {
        return Fail(IJL_NOT_INITIALISED, "the JPEG encoder was not set up");
    }
    if (iotype != IJL_JFILE_WRITEWHOLEIMAGE) return Fail(IJL_UNSUPPORTED_MODE, "only whole pictures are written");
    const JPEG_CORE_PROPERTIES& p = *jcprops;
    if (writeObserver) writeObserver(p);
    const long long pitch = CheckedPitch(p);
    if (pitch < 0) return Fail(IJL_INVALID_PROPERTIES, "there is no picture to encode as described");
    if (p.JPGFile == nullptr || *p.JPGFile == '\0' || !p.JPGOutput) {
        return Fail(IJL_INVALID_FILENAME, "no file was given to write");
    }

    const Binding& library = BoundLibrary();  // bound by ijlInit
    unsigned char* encoded = nullptr;
    unsigned long encodedSize = 0;
    const int flags = TJFLAG_ACCURATEDCT | (p.DIBHeight < 0 ? TJFLAG_BOTTOMUP : 0);
    const int compressed =
        library.Compress2(p.encoder, p.DIBBytes, p.DIBWidth, static_cast<int>(pitch), p.JPGHeight, TJPF_BGR, &encoded,
                          &encodedSize, TJSAMP_420, std::max(p.jquality, 1), flags);
    const std::unique_ptr<unsigned char, decltype(library.Free)> owned(encoded, library.Free);
    if (compressed != 0) {
        return Fail(IJL_ENCODER_ERROR, std::string("the encoder failed: ") + library.GetErrorStr2(p.encoder));
    }

    try {
        p.JPGOutput(encoded, encodedSize);
    } catch (const FileError& error) {
        return Fail(IJL_FILE_ERROR, error.ErrorNumber() != 0 ? std::strerror(error.ErrorNumber()) : error.what());
    }
    return IJL_OK;
}

int ijlFree(JPEG_CORE_PROPERTIES* jcprops) {
    if (jcprops == nullptr || jcprops->encoder == nullptr) return IJL_OK;
    BoundLibrary().Destroy(jcprops->encoder);
    jcprops->encoder = nullptr;
    return IJL_OK;
}

namespace {

// One TurboJPEG handle, destroyed however the call ends.
class Handle {
public:
    Handle(const Binding& library, tjhandle handle) : library_(library), handle_(handle) {
        if (handle_ == nullptr) throw std::runtime_error("The JPEG library could not be set up.");
    }
    ~Handle() { library_.Destroy(handle_); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    tjhandle Get() const { return handle_; }
    std::string Error() const { return library_.GetErrorStr2(handle_); }

private:
    const Binding& library_;
    tjhandle handle_;
};

}  // namespace

DecodedJpeg DecodeJpeg(const std::vector<std::uint8_t>& file) {
    const Binding& library = BoundLibrary();
    const Handle decoder(library, library.InitDecompress());
    int width = 0, height = 0, subsampling = 0, colourspace = 0;
    if (file.size() > ULONG_MAX ||
        library.DecompressHeader3(decoder.Get(), file.data(), static_cast<unsigned long>(file.size()), &width,
                                  &height, &subsampling, &colourspace) != 0) {
        throw std::runtime_error("it is no JPEG picture (" + decoder.Error() + ")");
    }
    // The header's size is checked before anything is allocated for it.
    if (width <= 0 || height <= 0 || static_cast<long long>(width) * height > (1LL << 30) / 3) {
        throw std::runtime_error("its picture of " + std::to_string(width) + " x " + std::to_string(height) +
                                 " pixels is larger than a skybox face can be");
    }
    DecodedJpeg picture{width, height, std::vector<std::uint8_t>(static_cast<std::size_t>(width) * height * 3)};
    if (library.Decompress2(decoder.Get(), file.data(), static_cast<unsigned long>(file.size()), picture.Rgb.data(),
                            width, width * 3, height, TJPF_RGB, TJFLAG_ACCURATEDCT) != 0) {
        throw std::runtime_error("its picture cannot be decoded (" + decoder.Error() + ")");
    }
    return picture;
}

std::vector<std::uint8_t> EncodeJpeg(const std::uint8_t* rgb, int width, int height, int quality, bool fullColour) {
    const Binding& library = BoundLibrary();
    const Handle encoder(library, library.InitCompress());
    unsigned char* encoded = nullptr;
    unsigned long encodedSize = 0;
    const int result = library.Compress2(encoder.Get(), rgb, width, width * 3, height, TJPF_RGB, &encoded,
                                         &encodedSize, fullColour ? TJSAMP_444 : TJSAMP_420, std::clamp(quality, 1, 100),
                                         TJFLAG_ACCURATEDCT);
    const std::unique_ptr<unsigned char, decltype(library.Free)> owned(encoded, library.Free);
    if (result != 0) throw std::runtime_error("the JPEG encoder failed: " + encoder.Error());
    return {encoded, encoded + encodedSize};
}

std::string ijlLastErrorText() {
    return lastErrorText;
}

void UseLibraryForTesting(const std::string& name) {
    BindLibraryForTesting(name);
}

void ObserveWritesForTesting(std::function<void(const JPEG_CORE_PROPERTIES&)> observer) {
    writeObserver = std::move(observer);
}

}  // namespace vantorix::ijl
