#pragma once

#include "job/SkyboxJob.h"
#include "platform/win32/FormWindow.h"

#include <string>

namespace vantorix {

// The settings window and the program's start-up object, made with Windows'
// own controls from the form's one description. The settings live in its
// controls only; Start writes the script from them and waits for the renders
// in the modal waiting window, which reads them again on every tick.
class frmMain : public win32::FormWindow {
public:
    // programFolder holds the render folder "Vantorix".
    explicit frmMain(std::string programFolder);

    // The settings as the controls hold them now.
    SkyboxJob Job() const;

    void btnStart_Click();
    void btnBrowse_Click();
    void hsJPGQuality_Change();
    void hsJPGQuality_Scroll(int thumb);
    void btnAbout_Click();
    void btnExit_Click();

protected:
    void OnCommand(const std::string& control, unsigned notification) override;
    void OnScroll(const std::string& control, int code, int thumb) override;

private:
    int Selected(const char* options, int count) const;

    std::string programFolder_;
};

}  // namespace vantorix
