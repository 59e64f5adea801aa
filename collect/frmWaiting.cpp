#include "collect/frmWaiting.h"

#include "collect/WaitingForm.h"
#include "platform/FormLayout.h"
#include "platform/WindowPlacement.h"

#include <QLabel>
#include <QPushButton>

namespace vantorix {

frmWaiting::frmWaiting(QWidget* owner, std::string programFolder, std::function<SkyboxJob()> readJob)
    : QDialog(owner, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      programFolder_(std::move(programFolder)),
      readJob_(std::move(readJob)) {
    const std::map<std::string, QWidget*> controls = BuildForm(this, WaitingFormDesign());
    lblInfo = static_cast<QLabel*>(controls.at("lblInfo"));
    lblMoreInfo = static_cast<QLabel*>(controls.at("lblMoreInfo"));
    Label1 = static_cast<QLabel*>(controls.at("Label1"));
    btnCancel = static_cast<QPushButton*>(controls.at("btnCancel"));

    tmrMain.setInterval(1000);
    connect(btnCancel, &QPushButton::clicked, this, &frmWaiting::btnCancel_Click);
    connect(&tmrMain, &QTimer::timeout, this, &frmWaiting::tmrMain_Timer);
    ApplyFormStyle(this);
    CentreFrameOnOwnerWhenShown(this, owner);
    Form_Load();
}

void frmWaiting::Form_Load() {
    tmrMain.start();
}

void frmWaiting::btnCancel_Click() {
    tmrMain.stop();
    QDialog::reject();
}

void frmWaiting::reject() {
    btnCancel_Click();
}

void frmWaiting::tmrMain_Timer() {
    tmrMain.stop();
    switch (LookForRenders(readJob_, programFolder_)) {
        case WaitingTick::KeepWaiting: tmrMain.start(); break;
        case WaitingTick::Finished: accept(); break;
        case WaitingTick::Stopped: break;
    }
}

}  // namespace vantorix
