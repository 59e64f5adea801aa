#include "collect/win32/frmWaiting.h"

#include "collect/FinishImages.h"
#include "collect/RenderWatch.h"
#include "collect/WaitingForm.h"
#include "platform/MessageBox.h"
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
    FinishReport report;
    try {
        const SkyboxJob job = readJob_();
        if (!AllRendersPresent(job, programFolder_)) {
            EnableTimer(true);
            return;
        }
        report = FinishImages(job, programFolder_);
    } catch (const std::exception& error) {
        // The window stays open with its timer stopped: the user reads the
        // cause, sets it right and cancels.
        MessageBox(error.what(), "Skybox Images Not Finished", MB_OK | MB_ICONERROR);
        return;
    }
    MessageBox(CompletionMessage(report), "Done!",
               MB_OK | (report.Unfinished.empty() ? MB_ICONINFORMATION : MB_ICONEXCLAMATION));
    Close();
}

}  // namespace vantorix
