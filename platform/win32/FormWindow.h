#pragma once

#include "platform/FormDesign.h"
#include "platform/Gdi.h"

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

// A form's window made with Windows' own controls, as its design says: each
// control where the design puts it at the window's DPI (twips x dpi / 1440,
// again whenever the window moves to a monitor of another DPI), captioned, with its font,
// value and alignment. Tab and the arrow keys work as in Windows' dialogs:
// Tab stops once in each option group, at its chosen option, and the arrows
// move the choice. The windows that derive from it only wire the controls.
// For the files of app/ and collect/ built for Windows.
namespace vantorix::win32 {

class FormWindow {
public:
    FormWindow(const FormWindow&) = delete;
    FormWindow& operator=(const FormWindow&) = delete;
    virtual ~FormWindow();

    gdi::HWND Handle() const noexcept { return window_; }
    // The control of that name; throws std::out_of_range when the form has none.
    gdi::HWND Control(std::string_view name) const;
    const design::Form& Design() const noexcept { return design_; }
    // The dots per inch the window is laid out at.
    int Dpi() const noexcept { return dpi_; }

    // Shows the window centred on the screen's work area and gives the focus
    // to the first control in the tab order.
    void Show();
    // Shows the window centred on its owner and keeps the owner from input
    // until the window is closed; returns then.
    void ShowModal();
    // Closes the window; a modal showing returns.
    void Close();

    // The text of a text box or label, as UTF-8.
    std::string Text(std::string_view control) const;
    void SetText(std::string_view control, const std::string& text);
    bool Checked(std::string_view control) const;

protected:
    FormWindow(design::Form design, gdi::HWND owner, int iconResource = 0);

    // A button or other control was used: its name and Windows' notification code.
    virtual void OnCommand(const std::string& control, unsigned notification);
    // Enter or Escape pressed where no control takes them: Windows' IDOK or IDCANCEL.
    virtual void OnDialogKey(bool enter);
    // A scroll bar moved: Windows' scroll code and the thumb's position.
    virtual void OnScroll(const std::string& control, int code, int thumb);
    virtual void OnTimer(std::uintptr_t timer);
    // The title bar's close box; closes the window unless it returns false.
    virtual bool OnCloseBox();

public:
    // Windows' calls into the window, by its window procedure.
    static std::intptr_t Procedure(gdi::HWND window, unsigned message, std::uintptr_t wParam, std::intptr_t lParam);

private:
    std::intptr_t Receive(unsigned message, std::uintptr_t wParam, std::intptr_t lParam);
    void MakeControls(int iconResource);
    // Places every control and gives it its font, at dpi_.
    void LayOut();
    void RunUntilClosed();

    design::Form design_;
    gdi::HWND owner_;
    gdi::HWND window_ = nullptr;
    std::map<std::string, gdi::HWND, std::less<>> controls_;
    std::map<int, std::string> names_;  // by control ID
    std::map<std::pair<int, bool>, void*> fonts_;  // by size at dpi_ and weight
    int dpi_ = 96;
    gdi::HWND focused_ = nullptr;  // the control that had the focus when the window was last deactivated
    bool open_ = false;
};

// Runs the program's message loop until its last top-level window is gone.
int RunMessageLoop();

// Handles the messages already waiting, as the message loop would, and
// returns; for callers that drive the windows themselves (the tests).
void PumpMessages();

// The folder of the running program, UTF-8, ending without a separator.
std::string ProgramFolder();

}  // namespace vantorix::win32
