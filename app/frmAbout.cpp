#include "app/frmAbout.h"

#include "platform/FormLayout.h"
#include "platform/WindowPlacement.h"

#include <vantorix/version.h>

#include <QLabel>
#include <QPixmap>
#include <QPushButton>

namespace vantorix {

namespace {

// Liberation Sans has Arial's widths; sizes in pixels at 96 dots per inch
// (8.25 points is 11 pixels, 14.25 points 19), so they scale with the layout.
QFont ArialPixels(int pixels, bool bold = false) {
    QFont font = FormFont();
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, QRect geometry, const QFont& font) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromUtf8(name));
    label->setGeometry(geometry);
    label->setFont(font);
    label->setTextFormat(Qt::PlainText);  // keeps Label7's two leading blanks
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

}  // namespace

frmAbout::frmAbout(QWidget* owner)
    : QDialog(owner, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About Vantorix..."));
    setFont(FormFont());
    setFixedSize(TwipsSize(4035, 3195));

    Picture1 = MakeLabel(this, "Picture1", QString(), TwipsRect(60, 60, 3915, 1035), font());
    Picture1->setPixmap(QPixmap(QStringLiteral(":/vantorix/logo.gif")));
    Picture1->setAlignment(Qt::AlignCenter);
    Label3 = MakeLabel(this, "Label3", QStringLiteral("Vantorix"), TwipsRect(60, 1140, 3915, 375), ArialPixels(19));
    Label4 = MakeLabel(this, "Label4", QStringLiteral("v") + QString::fromUtf8(VersionText),
                       TwipsRect(2700, 1140, 1275, 195), ArialPixels(11, true));
    Label7 = MakeLabel(this, "Label7",
                       QStringLiteral("  Script generator for Terragen to create SkyBox images to use with most "
                                      "popular 3D application that support skyboxes."),
                       TwipsRect(60, 2040, 3975, 675), ArialPixels(11));
    Label7->setWordWrap(true);
    btnOkay = new QPushButton(QStringLiteral("OK"), this);
    btnOkay->setObjectName(QStringLiteral("btnOkay"));
    btnOkay->setGeometry(TwipsRect(2880, 2820, 1035, 315));
    btnOkay->setDefault(true);
    connect(btnOkay, &QPushButton::clicked, this, &frmAbout::btnOkay_Click);
    ApplyFormStyle(this);
    CentreFrameOnOwnerWhenShown(this, owner);
}

void frmAbout::btnOkay_Click() {
    accept();
}

}  // namespace vantorix
