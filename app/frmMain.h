#pragma once

#include "job/SkyboxJob.h"

#include <QWidget>

#include <array>
#include <string>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QScrollBar;

namespace vantorix {

// The settings window and the program's start-up object. The settings live
// in its controls only; Start writes the script from them and waits for the
// renders in the modal waiting window, which reads them again on every tick.
class frmMain : public QWidget {
public:
    // programFolder holds the render folder "Vantorix".
    explicit frmMain(std::string programFolder);

    QGroupBox* Frame1;
    QGroupBox* Frame2;
    QGroupBox* Frame3;
    QGroupBox* Frame4;
    QGroupBox* Frame5;
    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;
    QLabel* Label4;
    QLabel* Label5;
    QLabel* Label6;
    QLineEdit* txtOutput;
    QPushButton* btnBrowse;
    QLineEdit* txtHeight;
    std::array<QCheckBox*, SkyboxFaceCount> chkRender;
    std::array<QRadioButton*, 6> optTGSize;
    QLineEdit* txtTGArea;
    std::array<QRadioButton*, 3> optNameScheme;
    QCheckBox* chkNameAbreviate;
    std::array<QRadioButton*, 3> optConvert;
    QScrollBar* hsJPGQuality;
    QLabel* lblJpegCompression;
    std::array<QLabel*, 2> lblJPGQuality;
    QPushButton* btnAbout;
    QPushButton* btnStart;
    QPushButton* btnExit;

    // The settings as the controls hold them now.
    SkyboxJob Job() const;

    void btnStart_Click();
    void btnBrowse_Click();
    void hsJPGQuality_Change();
    void hsJPGQuality_Scroll();
    void btnAbout_Click();
    void btnExit_Click();

private:
    std::string programFolder_;
};

}  // namespace vantorix
