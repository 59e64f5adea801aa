#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace vantorix {

// The About box: the logo, the program's name and version, and what it is for.
class frmAbout : public QDialog {
public:
    explicit frmAbout(QWidget* owner);

    QLabel* Picture1;
    QLabel* Label3;
    QLabel* Label4;
    QLabel* Label7;
    QPushButton* btnOkay;

    void btnOkay_Click();
};

}  // namespace vantorix
