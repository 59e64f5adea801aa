#include "collect/win32/frmWaiting.h"

#include "collect/WaitingForm.h"
#include "platform/win32/Windows.h"

namespace vantorix {

namespace {
constexpr UINT_PTR tmrMain = 1;
}

frmWaiting::frmWaiting(gdi::HWND owner, std::string programFolder, std::function<SkyboxJob()> readJob)
    : FormWindow(WaitingFormDesign(), owner), programFolder_(std::move(programFolder)), readJob_(std::move(readJob)) {
    Form_Load();
}

void frmWaiting::EnableTimer(bool enabled) {
    timerEnabled_ = enabled;
    if (enabled) {
        ::SetTimer(reinterpret_cast<HWND>(Handle()), tmrMain, 1000, nullptr);
    } else {
        ::KillTimer(reinterpret_cast<HWND>(Handle()), tmrMain);
    }
}

void frmWaiting::Form_Load() {
    EnableTimer(true);
}

void frmWaiting::btnCancel_Click() {
    EnableTimer(false);
    Close();
}

void frmWaiting::OnCommand(const std::string& control, unsigned notification) {
    if (control == "btnCancel" && notification == BN_CLICKED) btnCancel_Click();
}

// Escape acts as Cancel; Enter presses nothing.
void frmWaiting::OnDialogKey(bool enter) {
    if (!enter) btnCancel_Click();
}

bool frmWaiting::OnCloseBox() {
    btnCancel_Click();
    return false;
}

void frmWaiting::OnTimer(std::uintptr_t timer) {
    if (timer == tmrMain && timerEnabled_) tmrMain_Timer();
}

void frmWaiting::tmrMain_Timer() {
    EnableTimer(false);
    switch (LookForRenders(readJob_, programFolder_)) {
        case WaitingTick::KeepWaiting: EnableTimer(true); break;
        case WaitingTick::Finished: Close(); break;
        case WaitingTick::Stopped: break;
    }
}

}  // namespace vantorix
