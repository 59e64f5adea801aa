#include "app/frmMain.h"

#include "platform/FormLayout.h"

#include <QApplication>

// The window opens with the stored defaults every time: no arguments, no
// settings. The render folder lies beside the program, wherever it was put.
int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setStyle(vantorix::FormStyleName);  // the dialogs and messages match the forms
    vantorix::frmMain window(QCoreApplication::applicationDirPath().toStdString());
    window.show();
    return QApplication::exec();
}
