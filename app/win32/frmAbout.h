#pragma once

#include "platform/win32/FormWindow.h"

namespace vantorix {

// The About box: the logo, the program's name and version, and what it is for.
class frmAbout : public win32::FormWindow {
public:
    explicit frmAbout(gdi::HWND owner);
    ~frmAbout() override;

    void btnOkay_Click();

protected:
    void OnCommand(const std::string& control, unsigned notification) override;
    void OnDialogKey(bool enter) override;

private:
    void* logo_ = nullptr;  // the logo's bitmap, shown by Picture1
};

}  // namespace vantorix
