#include "app/win32/frmAbout.h"

#include "app/Forms.h"
#include "app/win32/Resources.h"
#include "platform/win32/Windows.h"

#include <wincodec.h>

namespace vantorix {

namespace {

// The logo the program carries, as a bitmap over the window's own colour
// where the picture is transparent; null when it cannot be read.
HBITMAP LoadLogo() {
    const HINSTANCE instance = ::GetModuleHandleW(nullptr);
    const HRSRC resource = ::FindResourceW(instance, MAKEINTRESOURCEW(LogoResource), MAKEINTRESOURCEW(10));  // RT_RCDATA
    const HGLOBAL loaded = resource != nullptr ? ::LoadResource(instance, resource) : nullptr;
    if (loaded == nullptr) return nullptr;
    const auto* bytes = static_cast<const BYTE*>(::LockResource(loaded));
    const DWORD size = ::SizeofResource(instance, resource);
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    IWICImagingFactory* factory = nullptr;
    IWICStream* stream = nullptr;
    IWICBitmapDecoder* decoder = nullptr;
    IWICBitmapFrameDecode* frame = nullptr;
    IWICFormatConverter* converter = nullptr;
    HBITMAP bitmap = nullptr;
    UINT width = 0, height = 0;
    if (SUCCEEDED(::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&factory))) &&
        SUCCEEDED(factory->CreateStream(&stream)) &&
        SUCCEEDED(stream->InitializeFromMemory(const_cast<BYTE*>(bytes), size)) &&
        SUCCEEDED(factory->CreateDecoderFromStream(stream, nullptr, WICDecodeMetadataCacheOnDemand, &decoder)) &&
        SUCCEEDED(decoder->GetFrame(0, &frame)) && SUCCEEDED(factory->CreateFormatConverter(&converter)) &&
        SUCCEEDED(converter->Initialize(frame, GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone, nullptr, 0.0,
                                        WICBitmapPaletteTypeCustom)) &&
        SUCCEEDED(converter->GetSize(&width, &height))) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = static_cast<LONG>(width);
        info.bmiHeader.biHeight = -static_cast<LONG>(height);
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        bitmap = ::CreateDIBSection(nullptr, &info, 0, &bits, nullptr, 0);
        if (bitmap != nullptr && SUCCEEDED(converter->CopyPixels(nullptr, width * 4, width * height * 4,
                                                                  static_cast<BYTE*>(bits)))) {
            // Transparent pixels take the window's colour.
            const COLORREF face = ::GetSysColor(COLOR_BTNFACE);
            auto* pixel = static_cast<BYTE*>(bits);
            for (UINT i = 0; i < width * height; ++i, pixel += 4) {
                if (pixel[3] < 128) {
                    pixel[0] = GetBValue(face);
                    pixel[1] = GetGValue(face);
                    pixel[2] = GetRValue(face);
                }
            }
        }
    }
    for (IUnknown* object : {static_cast<IUnknown*>(converter), static_cast<IUnknown*>(frame),
                             static_cast<IUnknown*>(decoder), static_cast<IUnknown*>(stream),
                             static_cast<IUnknown*>(factory)}) {
        if (object != nullptr) object->Release();
    }
    return bitmap;
}

}  // namespace

frmAbout::frmAbout(gdi::HWND owner) : FormWindow(AboutFormDesign(), owner) {
    logo_ = LoadLogo();
    if (logo_ != nullptr) {
        ::SendMessageW(reinterpret_cast<HWND>(Control("Picture1")), STM_SETIMAGE, IMAGE_BITMAP,
                       reinterpret_cast<LPARAM>(logo_));
    }
    ::SendMessageW(reinterpret_cast<HWND>(Control("btnOkay")), BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
}

frmAbout::~frmAbout() {
    if (logo_ != nullptr) ::DeleteObject(static_cast<HBITMAP>(logo_));
}

void frmAbout::OnCommand(const std::string& control, unsigned notification) {
    if (control == "btnOkay" && notification == BN_CLICKED) btnOkay_Click();
}

// OK is the box's default button; Escape closes it as the close box does.
void frmAbout::OnDialogKey(bool) {
    btnOkay_Click();
}

void frmAbout::btnOkay_Click() {
    Close();
}

}  // namespace vantorix
