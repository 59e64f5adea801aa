#include "export/win32/frmExport.h"

#include "export/ExportDialogs.h"
#include "job/SkyboxJob.h"
#include "platform/FileSystem.h"
#include "platform/MessageBox.h"
#include "platform/win32/Windows.h"

#include <commctrl.h>

#include <filesystem>

namespace vantorix::cube {

namespace {

constexpr std::uintptr_t ProgressTimer = 1;
constexpr int ExportIconResource = 1;  // the program's icon, as its resource script numbers it

HWND AsHwnd(gdi::HWND window) { return reinterpret_cast<HWND>(window); }

}  // namespace

frmExport::frmExport(const std::string& programFolder)
    : FormWindow(ExportFormDesign(DefaultSkyboxJob(programFolder).Output), nullptr, ExportIconResource) {
    form_ = std::make_unique<ExportForm>(static_cast<ExportControls&>(*this), Utf8Path(std::filesystem::current_path()));
}

frmExport::~frmExport() {
    ::KillTimer(AsHwnd(Handle()), ProgressTimer);
}

void frmExport::SetChecked(std::string_view control, bool checked) {
    ::SendMessageW(AsHwnd(Control(control)), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void frmExport::SetEnabled(std::string_view control, bool enabled) {
    ::EnableWindow(AsHwnd(Control(control)), enabled ? TRUE : FALSE);
}

void frmExport::ShowProgress(double done) {
    ::SendMessageW(AsHwnd(Control("prgExport")), PBM_SETPOS, static_cast<WPARAM>(done * 1000), 0);
}

void frmExport::OnCommand(const std::string& control, unsigned notification) {
    if (form_ == nullptr) return;  // the controls are still being made
    if (control == "txtFaces" && notification == EN_CHANGE) {
        if (!Working()) form_->PrefixChanged();
        return;
    }
    if (notification != BN_CLICKED) return;
    if (control == "btnExport") btnExport_Click();
    else if (control == "btnClose") btnClose_Click();
    else if (control == "btnFacesBrowse") btnFacesBrowse_Click();
    else if (control == "btnEngineBrowse") btnEngineBrowse_Click();
    else if (!Working()) form_->ChoiceChanged();  // a tick or an option
}

// Enter presses Export and Escape the Close button, as in a dialog.
void frmExport::OnDialogKey(bool enter) {
    if (enter) {
        btnExport_Click();
    } else {
        btnClose_Click();
    }
}

void frmExport::btnExport_Click() {
    if (Working() || !::IsWindowEnabled(AsHwnd(Control("btnExport")))) return;
    AtUserAction(ExportCaption, [&] {
        ShowProgress(0);
        form_->Start();
        ::SetFocus(AsHwnd(Control("btnClose")));
        ::SetTimer(AsHwnd(Handle()), ProgressTimer, 100, nullptr);
    });
}

void frmExport::OnTimer(std::uintptr_t timer) {
    if (timer != ProgressTimer) return;
    ShowProgress(form_->Done());
    if (!form_->Ended(!closeWhenDone_)) return;
    ::KillTimer(AsHwnd(Handle()), ProgressTimer);
    ShowProgress(0);
    if (closeWhenDone_) Close();
}

void frmExport::btnClose_Click() {
    if (Working()) {
        form_->Cancel();  // the timer sees it end
    } else {
        Close();
    }
}

// Closed while working: the work is cancelled, and the window goes once it has stopped.
bool frmExport::OnCloseBox() {
    if (!Working()) return true;
    closeWhenDone_ = true;
    form_->Cancel();
    return false;
}

void frmExport::btnFacesBrowse_Click() {
    AtUserAction(ExportCaption, [&] {
        if (const auto chosen = AskForFaceFile(Handle(), Text("txtFaces"))) form_->FacePicked(*chosen);
    });
}

void frmExport::btnEngineBrowse_Click() {
    AtUserAction(ExportCaption, [&] {
        if (const auto chosen = AskForEngineFiles(Handle(), Text("txtEngineFiles"))) SetText("txtEngineFiles", *chosen);
    });
}

}  // namespace vantorix::cube
