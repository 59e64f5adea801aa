#include "app/frmAbout.h"

#include "app/Forms.h"

#include "platform/FormLayout.h"
#include "platform/WindowPlacement.h"

#include <QLabel>
#include <QPixmap>
#include <QPushButton>

namespace vantorix {

frmAbout::frmAbout(QWidget* owner)
    : QDialog(owner, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
    const std::map<std::string, QWidget*> controls = BuildForm(this, AboutFormDesign());
    Picture1 = static_cast<QLabel*>(controls.at("Picture1"));
    Label3 = static_cast<QLabel*>(controls.at("Label3"));
    Label4 = static_cast<QLabel*>(controls.at("Label4"));
    Label7 = static_cast<QLabel*>(controls.at("Label7"));
    btnOkay = static_cast<QPushButton*>(controls.at("btnOkay"));
    Picture1->setPixmap(QPixmap(QStringLiteral(":/vantorix/logo.gif")));
    btnOkay->setDefault(true);
    connect(btnOkay, &QPushButton::clicked, this, &frmAbout::btnOkay_Click);
    ApplyFormStyle(this);
    CentreFrameOnOwnerWhenShown(this, owner);
}

void frmAbout::btnOkay_Click() {
    accept();
}

}  // namespace vantorix
