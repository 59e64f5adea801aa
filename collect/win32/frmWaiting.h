#pragma once

#include "job/SkyboxJob.h"
#include "platform/win32/FormWindow.h"

#include <functional>
#include <string>

namespace vantorix {

// The waiting window: shown modally over the main window while Terragen
// renders, it looks for the renders once a second and finishes them all as
// soon as every chosen face's render is complete.
class frmWaiting : public win32::FormWindow {
public:
    // readJob gives the settings as they stand now; it is asked on every tick.
    frmWaiting(gdi::HWND owner, std::string programFolder, std::function<SkyboxJob()> readJob);

    void Form_Load();
    void btnCancel_Click();
    void tmrMain_Timer();
    bool TimerEnabled() const noexcept { return timerEnabled_; }

protected:
    void OnCommand(const std::string& control, unsigned notification) override;
    void OnDialogKey(bool enter) override;
    void OnTimer(std::uintptr_t timer) override;
    // The title bar's close box acts as Cancel.
    bool OnCloseBox() override;

private:
    void EnableTimer(bool enabled);

    std::string programFolder_;
    std::function<SkyboxJob()> readJob_;
    bool timerEnabled_ = false;
};

}  // namespace vantorix
