#include "app/win32/frmMain.h"

#include "app/Forms.h"
#include "app/mFileDialog.h"
#include "app/win32/frmAbout.h"
#include "app/win32/Resources.h"
#include "collect/win32/frmWaiting.h"
#include "job/mMain.h"
#include "platform/MessageBox.h"
#include "platform/win32/Windows.h"

namespace vantorix {

namespace {

HWND AsHwnd(gdi::HWND window) { return reinterpret_cast<HWND>(window); }

}  // namespace

frmMain::frmMain(std::string programFolder)
    : FormWindow(MainFormDesign(DefaultSkyboxJob(programFolder)), nullptr, ProgramIconResource),
      programFolder_(std::move(programFolder)) {}

int frmMain::Selected(const char* options, int count) const {
    for (int i = 0; i < count; ++i) {
        if (Checked(design::Indexed(options, i))) return i;
    }
    return 0;  // one is always selected; the first stands in if not
}

SkyboxJob frmMain::Job() const {
    SkyboxJob job;
    job.CameraHeight = Text("txtHeight");
    job.TGArea = Text("txtTGArea");
    job.TGSize = Selected("optTGSize", 6);
    for (int face = 0; face < SkyboxFaceCount; ++face) job.Render[face] = Checked(design::Indexed("chkRender", face));
    job.Output = Text("txtOutput");
    job.Convert = Selected("optConvert", 3);
    job.JPGQuality = ::GetScrollPos(AsHwnd(Control("hsJPGQuality")), SB_CTL);
    job.NameScheme = Selected("optNameScheme", 3);
    job.NameAbreviate = Checked("chkNameAbreviate");
    return job;
}

void frmMain::OnCommand(const std::string& control, unsigned notification) {
    if (notification != BN_CLICKED) return;
    if (control == "btnStart") btnStart_Click();
    else if (control == "btnBrowse") btnBrowse_Click();
    else if (control == "btnAbout") btnAbout_Click();
    else if (control == "btnExit") btnExit_Click();
}

// The bar's steps: an arrow 1, a click beside the thumb 10, the ends 0 and 100.
void frmMain::OnScroll(const std::string& control, int code, int thumb) {
    if (control != "hsJPGQuality") return;
    const HWND bar = AsHwnd(Control("hsJPGQuality"));
    const int position = ::GetScrollPos(bar, SB_CTL);
    int next = position;
    switch (code) {
        case SB_LINELEFT: next = position - 1; break;
        case SB_LINERIGHT: next = position + 1; break;
        case SB_PAGELEFT: next = position - 10; break;
        case SB_PAGERIGHT: next = position + 10; break;
        case SB_LEFT: next = 0; break;
        case SB_RIGHT: next = 100; break;
        case SB_THUMBTRACK: hsJPGQuality_Scroll(thumb); return;  // the number follows the thumb
        case SB_THUMBPOSITION: next = thumb; break;
        default: return;
    }
    ::SetScrollPos(bar, SB_CTL, std::clamp(next, 0, 100), TRUE);
    hsJPGQuality_Change();
}

void frmMain::btnStart_Click() {
    const bool written =
        AtUserAction("Skybox Script Not Written", [&] { WriteSkyboxScript(Job(), programFolder_); });
    if (!written) return;
    frmWaiting waiting(Handle(), programFolder_, [this] { return Job(); });
    waiting.ShowModal();
}

void frmMain::btnBrowse_Click() {
    AtUserAction("Vantorix", [&] {
        // Windows' window handles carry 32 significant bits, also in a 64-bit program.
        const auto owner = static_cast<std::int32_t>(reinterpret_cast<std::intptr_t>(Handle()));
        if (const auto chosen = AskForOutputPrefix(owner)) SetText("txtOutput", *chosen);
    });
}

void frmMain::hsJPGQuality_Change() {
    SetText("lblJpegCompression", std::to_string(::GetScrollPos(AsHwnd(Control("hsJPGQuality")), SB_CTL)));
}

void frmMain::hsJPGQuality_Scroll(int thumb) {
    SetText("lblJpegCompression", std::to_string(thumb));
}

void frmMain::btnAbout_Click() {
    AtUserAction("Vantorix", [&] {
        frmAbout about(Handle());
        about.ShowModal();
    });
}

void frmMain::btnExit_Click() {
    Close();
}

}  // namespace vantorix
