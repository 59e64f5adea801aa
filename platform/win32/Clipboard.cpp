#include "platform/Clipboard.h"

#include "platform/win32/Windows.h"

namespace vantorix::gdi {

BOOL OpenClipboard(HWND owner) {
    return ::OpenClipboard(owner);
}

BOOL EmptyClipboard() {
    return ::EmptyClipboard();
}

HANDLE SetClipboardData(UINT format, HANDLE data) {
    return ::SetClipboardData(format, data);
}

BOOL CloseClipboard() {
    return ::CloseClipboard();
}

}  // namespace vantorix::gdi
