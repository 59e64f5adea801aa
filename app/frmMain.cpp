#include "app/frmMain.h"

#include "app/Forms.h"
#include "app/frmAbout.h"
#include "app/mFileDialog.h"
#include "collect/frmWaiting.h"
#include "job/mMain.h"
#include "platform/FormLayout.h"
#include "platform/MessageBox.h"
#include "platform/WindowHandles.h"
#include "platform/WindowPlacement.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>

#include <map>
#include <string>
#include <utility>

namespace vantorix {

namespace {

template <std::size_t Count>
int SelectedIndex(const std::array<QRadioButton*, Count>& options) {
    for (std::size_t i = 0; i < Count; ++i) {
        if (options[i]->isChecked()) return static_cast<int>(i);
    }
    return 0;  // one is always selected; the first stands in if not
}

}  // namespace

frmMain::frmMain(std::string programFolder)
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      programFolder_(std::move(programFolder)) {
    const std::map<std::string, QWidget*> controls = BuildForm(this, MainFormDesign(DefaultSkyboxJob(programFolder_)));
    setWindowIcon(ProgramIcon());
    const auto named = [&]<typename Control>(const std::string& name, Control*& control) {
        control = static_cast<Control*>(controls.at(name));
    };
    named("Frame1", Frame1);
    named("Frame2", Frame2);
    named("Frame3", Frame3);
    named("Frame4", Frame4);
    named("Frame5", Frame5);
    named("Label1", Label1);
    named("Label2", Label2);
    named("Label3", Label3);
    named("Label4", Label4);
    named("Label5", Label5);
    named("Label6", Label6);
    named("txtOutput", txtOutput);
    named("btnBrowse", btnBrowse);
    named("txtHeight", txtHeight);
    for (int face = 0; face < SkyboxFaceCount; ++face) named(design::Indexed("chkRender", face), chkRender[face]);
    for (int i = 0; i < 6; ++i) named(design::Indexed("optTGSize", i), optTGSize[i]);
    named("txtTGArea", txtTGArea);
    for (int i = 0; i < 3; ++i) named(design::Indexed("optNameScheme", i), optNameScheme[i]);
    named("chkNameAbreviate", chkNameAbreviate);
    for (int i = 0; i < 3; ++i) named(design::Indexed("optConvert", i), optConvert[i]);
    named("hsJPGQuality", hsJPGQuality);
    named("lblJpegCompression", lblJpegCompression);
    for (int i = 0; i < 2; ++i) named(design::Indexed("lblJPGQuality", i), lblJPGQuality[i]);
    named("btnAbout", btnAbout);
    named("btnStart", btnStart);
    named("btnExit", btnExit);
    hsJPGQuality->setTracking(false);  // the value changes on release; the label follows the drag

    connect(btnStart, &QPushButton::clicked, this, &frmMain::btnStart_Click);
    connect(btnBrowse, &QPushButton::clicked, this, &frmMain::btnBrowse_Click);
    connect(hsJPGQuality, &QScrollBar::valueChanged, this, &frmMain::hsJPGQuality_Change);
    connect(hsJPGQuality, &QScrollBar::sliderMoved, this, &frmMain::hsJPGQuality_Scroll);
    connect(btnAbout, &QPushButton::clicked, this, &frmMain::btnAbout_Click);
    connect(btnExit, &QPushButton::clicked, this, &frmMain::btnExit_Click);
    hsJPGQuality_Change();

    ApplyFormStyle(this);
    txtHeight->setFocus();
    CentreFrameWhenShown(this, [this] { return screen()->availableGeometry(); });
}

SkyboxJob frmMain::Job() const {
    SkyboxJob job;
    job.CameraHeight = txtHeight->text().toStdString();
    job.TGArea = txtTGArea->text().toStdString();
    job.TGSize = SelectedIndex(optTGSize);
    for (int face = 0; face < SkyboxFaceCount; ++face) job.Render[face] = chkRender[face]->isChecked();
    job.Output = txtOutput->text().toStdString();
    job.Convert = SelectedIndex(optConvert);
    job.JPGQuality = hsJPGQuality->value();
    job.NameScheme = SelectedIndex(optNameScheme);
    job.NameAbreviate = chkNameAbreviate->isChecked();
    return job;
}

void frmMain::btnStart_Click() {
    const bool written =
        AtUserAction("Skybox Script Not Written", [&] { WriteSkyboxScript(Job(), programFolder_); });
    if (!written) return;
    frmWaiting waiting(this, programFolder_, [this] { return Job(); });
    waiting.exec();
}

void frmMain::btnBrowse_Click() {
    AtUserAction("Vantorix", [&] {
        if (const auto chosen = AskForOutputPrefix(static_cast<std::int32_t>(HandleOfWindow(this)))) {
            txtOutput->setText(QString::fromStdString(*chosen));
        }
    });
}

// The number follows the thumb: while it is dragged the bar's value stays
// where it was until the thumb is let go.
void frmMain::hsJPGQuality_Change() {
    lblJpegCompression->setText(QString::number(hsJPGQuality->sliderPosition()));
}

void frmMain::hsJPGQuality_Scroll() {
    hsJPGQuality_Change();
}

void frmMain::btnAbout_Click() {
    AtUserAction("Vantorix", [&] {
        frmAbout about(this);
        about.exec();
    });
}

void frmMain::btnExit_Click() {
    close();
}

}  // namespace vantorix
