#include "export/frmExport.h"

#include "export/ExportDialogs.h"
#include "job/SkyboxJob.h"
#include "platform/FileSystem.h"
#include "platform/FormLayout.h"
#include "platform/MessageBox.h"
#include "platform/WindowHandles.h"
#include "platform/WindowPlacement.h"

#include <QAbstractButton>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTimer>

#include <filesystem>

namespace vantorix::cube {

frmExport::frmExport(const std::string& programFolder)
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      tmrProgress_(new QTimer(this)) {
    controls_ = BuildForm(this, ExportFormDesign(DefaultSkyboxJob(programFolder).Output));
    form_ = std::make_unique<ExportForm>(static_cast<ExportControls&>(*this), Utf8Path(std::filesystem::current_path()));
    setWindowIcon(ProgramIcon());

    const auto clicked = [this](const char* name, void (frmExport::*handler)()) {
        connect(static_cast<QPushButton*>(controls_.at(name)), &QPushButton::clicked, this, handler);
    };
    clicked("btnExport", &frmExport::btnExport_Click);
    clicked("btnClose", &frmExport::btnClose_Click);
    clicked("btnFacesBrowse", &frmExport::btnFacesBrowse_Click);
    clicked("btnEngineBrowse", &frmExport::btnEngineBrowse_Click);
    connect(static_cast<QLineEdit*>(controls_.at("txtFaces")), &QLineEdit::textEdited, this,
            [this] { form_->PrefixChanged(); });
    for (const auto& [name, control] : controls_) {
        if (auto* button = qobject_cast<QAbstractButton*>(control); button != nullptr && button->isCheckable()) {
            connect(button, &QAbstractButton::toggled, this, [this] {
                if (!Working()) form_->ChoiceChanged();
            });
        }
    }
    tmrProgress_->setInterval(100);
    connect(tmrProgress_, &QTimer::timeout, this, &frmExport::tmrProgress_Timer);

    ApplyFormStyle(this);
    controls_.at("txtFaces")->setFocus();
    CentreFrameWhenShown(this, [this] { return screen()->availableGeometry(); });
}

frmExport::~frmExport() = default;

std::string frmExport::Text(std::string_view control) const {
    const QWidget* widget = controls_.at(std::string(control));
    if (const auto* box = qobject_cast<const QLineEdit*>(widget)) return box->text().toStdString();
    if (const auto* label = qobject_cast<const QLabel*>(widget)) return label->text().toStdString();
    if (const auto* button = qobject_cast<const QAbstractButton*>(widget)) return button->text().toStdString();
    return {};
}

void frmExport::SetText(std::string_view control, const std::string& text) {
    QWidget* widget = controls_.at(std::string(control));
    const QString shown = QString::fromStdString(text);
    if (auto* box = qobject_cast<QLineEdit*>(widget)) box->setText(shown);
    else if (auto* label = qobject_cast<QLabel*>(widget)) label->setText(shown);
    else if (auto* button = qobject_cast<QAbstractButton*>(widget)) button->setText(shown);
}

bool frmExport::Checked(std::string_view control) const {
    return static_cast<const QAbstractButton*>(controls_.at(std::string(control)))->isChecked();
}

void frmExport::SetChecked(std::string_view control, bool checked) {
    static_cast<QAbstractButton*>(controls_.at(std::string(control)))->setChecked(checked);
}

void frmExport::SetEnabled(std::string_view control, bool enabled) {
    controls_.at(std::string(control))->setEnabled(enabled);
}

void frmExport::btnExport_Click() {
    if (Working() || !controls_.at("btnExport")->isEnabled()) return;
    AtUserAction(ExportCaption, [&] {
        static_cast<QProgressBar*>(controls_.at("prgExport"))->setValue(0);
        form_->Start();
        controls_.at("btnClose")->setFocus();
        tmrProgress_->start();
    });
}

void frmExport::tmrProgress_Timer() {
    static_cast<QProgressBar*>(controls_.at("prgExport"))->setValue(static_cast<int>(form_->Done() * 1000));
    if (!form_->Ended(!closeWhenDone_)) return;
    tmrProgress_->stop();
    static_cast<QProgressBar*>(controls_.at("prgExport"))->setValue(0);
    if (closeWhenDone_) close();
}

void frmExport::btnClose_Click() {
    if (Working()) {
        form_->Cancel();  // the timer sees it end
    } else {
        close();
    }
}

void frmExport::btnFacesBrowse_Click() {
    AtUserAction(ExportCaption, [&] {
        if (const auto chosen = AskForFaceFile(HandleOfWindow(this), Text("txtFaces"))) form_->FacePicked(*chosen);
    });
}

void frmExport::btnEngineBrowse_Click() {
    AtUserAction(ExportCaption, [&] {
        if (const auto chosen = AskForEngineFiles(HandleOfWindow(this), Text("txtEngineFiles"))) {
            SetText("txtEngineFiles", *chosen);
        }
    });
}

// Enter presses Export and Escape the Close button, as in a dialog.
void frmExport::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter: btnExport_Click(); return;
        case Qt::Key_Escape: btnClose_Click(); return;
        default: QWidget::keyPressEvent(event);
    }
}

// Closed while working: the work is cancelled, and the window goes once it has stopped.
void frmExport::closeEvent(QCloseEvent* event) {
    if (Working()) {
        closeWhenDone_ = true;
        form_->Cancel();
        event->ignore();
        return;
    }
    event->accept();
}

}  // namespace vantorix::cube
