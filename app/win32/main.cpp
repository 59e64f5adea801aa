// Vantorix for Windows: the settings window opens with the stored defaults
// every time; the render folder lies beside the program, wherever it was put.
#include "app/win32/frmMain.h"
#include "platform/win32/FormWindow.h"

int main() {
    vantorix::frmMain window(vantorix::win32::ProgramFolder());
    window.Show();
    return vantorix::win32::RunMessageLoop();
}
