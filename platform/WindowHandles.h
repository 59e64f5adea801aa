#pragma once

#include "platform/Gdi.h"

class QWidget;

// Windows are known to the dialog calls by 32-bit handles, as the program's
// first platform knew them. A handle names one window for its whole life and
// is never given to another.
namespace vantorix {

// The window's handle, issued at the first call; 0 for no window.
gdi::HWND HandleOfWindow(QWidget* window);

// The live window a handle names, or null for 0, a stranger, or a window
// that is gone.
QWidget* WindowOfHandle(gdi::HWND handle);

}  // namespace vantorix
