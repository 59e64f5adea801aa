#include "collect/frmWaiting.h"

#include "collect/FinishImages.h"
#include "collect/RenderWatch.h"
#include "platform/FormLayout.h"
#include "platform/WindowPlacement.h"
#include "platform/MessageBox.h"

#include <QLabel>
#include <QPushButton>

namespace vantorix {

namespace {

QLabel* MakeLabel(QWidget* parent, const char* name, const char* text, QRect geometry, bool wraps) {
    auto* label = new QLabel(QString::fromUtf8(text), parent);
    label->setObjectName(QString::fromUtf8(name));
    label->setGeometry(geometry);
    label->setWordWrap(wraps);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

}  // namespace

frmWaiting::frmWaiting(QWidget* owner, std::string programFolder, std::function<SkyboxJob()> readJob)
    : QDialog(owner, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      programFolder_(std::move(programFolder)),
      readJob_(std::move(readJob)) {
    setObjectName(QStringLiteral("frmWaiting"));
    setWindowTitle(QStringLiteral("Waiting..."));
    setFont(FormFont());
    setFixedSize(TwipsSize(5310, 1995));

    lblInfo = MakeLabel(this, "lblInfo", "Waiting for Images to be Rendered in Terragen.", TwipsRect(120, 120, 3435, 195),
                        false);
    lblMoreInfo = MakeLabel(this, "lblMoreInfo",
                            "In Terragen, select from the menu \"Terragen\" then \"Execute Script...\"  Select the "
                            "\"Vantorix.tgs\" file to start the rendering.",
                            TwipsRect(120, 480, 5055, 435), true);
    Label1 = MakeLabel(this, "Label1",
                       "Make sure there are no images already in the \"Vantorix\" sub-folder of Terragen.",
                       TwipsRect(120, 1020, 5055, 435), true);
    btnCancel = new QPushButton(QStringLiteral("Cancel"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnCancel->setGeometry(TwipsRect(4140, 1620, 1035, 315));

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
    FinishReport report;
    try {
        const SkyboxJob job = readJob_();
        if (!AllRendersPresent(job, programFolder_)) {
            tmrMain.start();
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
    accept();
}

}  // namespace vantorix
