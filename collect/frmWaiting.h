#pragma once

#include "job/SkyboxJob.h"

#include <QDialog>
#include <QTimer>

#include <functional>
#include <string>

class QLabel;
class QPushButton;

namespace vantorix {

// The waiting window: shown modally over the main window while Terragen
// renders, it looks for the renders once a second and finishes them all as
// soon as every chosen face's render is complete.
class frmWaiting : public QDialog {
public:
    // readJob gives the settings as they stand now; it is asked on every tick.
    frmWaiting(QWidget* owner, std::string programFolder, std::function<SkyboxJob()> readJob);

    QLabel* lblInfo;
    QLabel* lblMoreInfo;
    QLabel* Label1;
    QPushButton* btnCancel;
    QTimer tmrMain;

    void Form_Load();
    void btnCancel_Click();
    void tmrMain_Timer();

protected:
    // The title bar's close box and Escape act as Cancel.
    void reject() override;

private:
    std::string programFolder_;
    std::function<SkyboxJob()> readJob_;
};

}  // namespace vantorix
