#pragma once

#include "platform/Gdi.h"

// The clipboard calls, with the drawing layer's handles. A bitmap handed over
// goes to the desktop's clipboard through Qt; from then on the clipboard owns
// the handle and deletes it when it is emptied again.
namespace vantorix::gdi {

inline constexpr UINT CF_BITMAP = 2;

// Fails when no Qt application is running or the clipboard is already open.
BOOL OpenClipboard(HWND owner);
BOOL EmptyClipboard();
// Takes device-dependent or section bitmaps as CF_BITMAP; returns the handle, or 0.
HANDLE SetClipboardData(UINT format, HANDLE data);
BOOL CloseClipboard();

}  // namespace vantorix::gdi
