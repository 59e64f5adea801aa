#pragma once

#include "export/ExportForm.h"

#include <QWidget>

#include <map>
#include <memory>
#include <optional>
#include <string>

class QTimer;

namespace vantorix::cube {

// The export window, "Vantorix Export", made with Qt from the form's one
// description. Export runs the command's routine on a worker thread; the
// window follows it with the progress bar and keeps answering, and its
// Close button cancels while the work runs.
class frmExport : public QWidget, private ExportControls {
public:
    // programFolder: where the faces of the main program's default run lie.
    explicit frmExport(const std::string& programFolder);
    ~frmExport() override;

    QWidget* Control(const std::string& name) const { return controls_.at(name); }
    ExportForm& Form() { return *form_; }
    // Whether an export is running.
    bool Working() const { return form_->Working(); }

    void btnExport_Click();
    void btnClose_Click();
    void btnFacesBrowse_Click();
    void btnEngineBrowse_Click();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    std::string Text(std::string_view control) const override;
    void SetText(std::string_view control, const std::string& text) override;
    bool Checked(std::string_view control) const override;
    void SetChecked(std::string_view control, bool checked) override;
    void SetEnabled(std::string_view control, bool enabled) override;
    void tmrProgress_Timer();

    std::map<std::string, QWidget*> controls_;
    std::unique_ptr<ExportForm> form_;
    bool closeWhenDone_ = false;
    QTimer* tmrProgress_;
};

}  // namespace vantorix::cube
