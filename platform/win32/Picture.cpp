#include "platform/Picture.h"

#include "platform/BmpHeader.h"
#include "platform/FileError.h"
#include "platform/InputFile.h"
#include "platform/win32/Windows.h"

#include <wincodec.h>

#include <array>

namespace vantorix {

namespace {

// A COM interface released however the load ends.
template <typename Interface>
class Com {
public:
    Com() = default;
    ~Com() {
        if (pointer_ != nullptr) pointer_->Release();
    }
    Com(const Com&) = delete;
    Com& operator=(const Com&) = delete;
    Interface** operator&() { return &pointer_; }
    Interface* operator->() const { return pointer_; }
    Interface* Get() const { return pointer_; }

private:
    Interface* pointer_ = nullptr;
};

// Windows' BMP decoder, like others, takes some damaged files for whole
// pictures; the header is checked first, as on Linux.
void RefuseDamagedBmp(const std::string& path) {
    const InputFile file(path);
    std::array<std::uint8_t, BmpHeaderBytes> header{};
    const std::size_t got = file.ReadAt(0, header.data(), header.size());
    switch (CheckBmpHeader({header.data(), got}, file.Size())) {
        case BmpHeaderCheck::CutShort: throw FileError("read", path, "the file ends before the end of its picture");
        case BmpHeaderCheck::UnknownKind: throw FileError("read", path, "its BMP header is of a kind Vantorix does not read");
        default: break;
    }
}

}  // namespace

// BMP and PNG pictures through the Windows Imaging Component, made into a
// 32-bit bitmap of the picture's size.
Picture LoadPicture(const std::string& path) {
    RefuseDamagedBmp(path);
    const HRESULT started = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    const bool uninitialise = SUCCEEDED(started);
    struct Uninitialise {
        bool needed;
        ~Uninitialise() {
            if (needed) ::CoUninitialize();
        }
    } uninitialised{uninitialise};

    Com<IWICImagingFactory> factory;
    if (FAILED(::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&factory)))) {
        throw FileError("read", path, "Windows' picture reader cannot be started");
    }
    Com<IWICBitmapDecoder> decoder;
    if (FAILED(factory->CreateDecoderFromFilename(win32::Wide(path).c_str(), nullptr, GENERIC_READ,
                                                  WICDecodeMetadataCacheOnDemand, &decoder))) {
        throw FileError("read", path, "it is not a picture Vantorix can read");
    }
    GUID format{};
    decoder->GetContainerFormat(&format);
    if (format != GUID_ContainerFormatBmp && format != GUID_ContainerFormatPng) {
        throw FileError("read", path, "its format is not BMP or PNG, which Vantorix reads");
    }
    Com<IWICBitmapFrameDecode> frame;
    Com<IWICFormatConverter> converter;
    UINT width = 0, height = 0;
    if (FAILED(decoder->GetFrame(0, &frame)) || FAILED(factory->CreateFormatConverter(&converter)) ||
        FAILED(converter->Initialize(frame.Get(), GUID_WICPixelFormat32bppBGR, WICBitmapDitherTypeNone, nullptr, 0.0,
                                     WICBitmapPaletteTypeCustom)) ||
        FAILED(converter->GetSize(&width, &height))) {
        throw FileError("read", path, "it is damaged or cut short");
    }
    if (static_cast<unsigned long long>(width) * height * 4 > (static_cast<unsigned long long>(PictureAllocationLimitMiB) << 20)) {
        throw FileError("read", path, "its picture is larger than Vantorix reads");
    }
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = static_cast<LONG>(width);
    info.bmiHeader.biHeight = -static_cast<LONG>(height);  // top-down, as the reader gives the rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = gdi::BI_RGB;
    void* bits = nullptr;
    const HBITMAP bitmap = ::CreateDIBSection(nullptr, &info, gdi::DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap == nullptr) throw FileError("read", path, "there is not enough memory for the picture");
    Picture picture(bitmap);
    if (FAILED(converter->CopyPixels(nullptr, width * 4, width * height * 4, static_cast<BYTE*>(bits)))) {
        throw FileError("read", path, "it is damaged or cut short");
    }
    return picture;
}

}  // namespace vantorix
