#include "platform/Clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>

namespace vantorix::gdi {

namespace {

bool clipboardOpen = false;
HBITMAP ownedBitmap = 0;

void ReleaseOwnedBitmap() {
    if (ownedBitmap != 0) DeleteObject(ownedBitmap);
    ownedBitmap = 0;
}

}  // namespace

BOOL OpenClipboard(HWND) {
    if (clipboardOpen || QGuiApplication::instance() == nullptr) return FALSE;
    clipboardOpen = true;
    return TRUE;
}

BOOL EmptyClipboard() {
    if (!clipboardOpen) return FALSE;
    QGuiApplication::clipboard()->clear();
    ReleaseOwnedBitmap();
    return TRUE;
}

HANDLE SetClipboardData(UINT format, HANDLE data) {
    if (!clipboardOpen || format != CF_BITMAP) return 0;
    const QImage image = BitmapImage(data);
    if (image.isNull()) return 0;
    QGuiApplication::clipboard()->setImage(image);
    if (data != ownedBitmap) ReleaseOwnedBitmap();
    ownedBitmap = data;
    return data;
}

BOOL CloseClipboard() {
    if (!clipboardOpen) return FALSE;
    clipboardOpen = false;
    return TRUE;
}

}  // namespace vantorix::gdi
