#pragma once

#include "export/ExportForm.h"
#include "platform/win32/FormWindow.h"

#include <memory>
#include <string>

namespace vantorix::cube {

// The export window, "Vantorix Export", made with Windows' own controls from
// the form's one description. Export runs the command's routine on a worker
// thread; the window follows it with the progress bar and keeps answering,
// and its Close button cancels while the work runs.
class frmExport : public win32::FormWindow, public ExportControls {
public:
    // programFolder: where the faces of the main program's default run lie.
    explicit frmExport(const std::string& programFolder);
    ~frmExport() override;

    ExportForm& Form() { return *form_; }
    // Whether an export is running.
    bool Working() const { return form_->Working(); }

    // The controls by name, as the form's behaviour reads and sets them.
    std::string Text(std::string_view control) const override { return FormWindow::Text(control); }
    void SetText(std::string_view control, const std::string& text) override { FormWindow::SetText(control, text); }
    bool Checked(std::string_view control) const override { return FormWindow::Checked(control); }
    void SetChecked(std::string_view control, bool checked) override;
    void SetEnabled(std::string_view control, bool enabled) override;

    void btnExport_Click();
    void btnClose_Click();
    void btnFacesBrowse_Click();
    void btnEngineBrowse_Click();

protected:
    void OnCommand(const std::string& control, unsigned notification) override;
    void OnDialogKey(bool enter) override;
    void OnTimer(std::uintptr_t timer) override;
    bool OnCloseBox() override;

private:
    void ShowProgress(double done);

    std::unique_ptr<ExportForm> form_;
    bool closeWhenDone_ = false;
};

}  // namespace vantorix::cube
