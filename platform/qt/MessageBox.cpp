#include "platform/MessageBox.h"

#include <QApplication>
#include <QMessageBox>
#include <QString>

#include <iostream>

namespace vantorix {

namespace {

MessageBoxHandler& Handler() {
    static MessageBoxHandler handler;
    return handler;
}

QMessageBox::Icon IconFor(unsigned style) {
    switch (style & 0xF0) {
        case MB_ICONERROR: return QMessageBox::Critical;
        case MB_ICONEXCLAMATION: return QMessageBox::Warning;
        case MB_ICONINFORMATION: return QMessageBox::Information;
        default: return QMessageBox::NoIcon;
    }
}

}  // namespace

int MessageBox(const std::string& text, const std::string& caption, unsigned style) {
    if (Handler()) return Handler()(text, caption, style);
    if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) {
        std::cerr << caption << ": " << text << '\n';
        return IDOK;
    }
    QMessageBox box(IconFor(style), QString::fromStdString(caption), QString::fromStdString(text), QMessageBox::Ok,
                    QApplication::activeWindow());
    box.exec();
    return IDOK;
}

MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler) {
    MessageBoxHandler previous = std::move(Handler());
    Handler() = std::move(handler);
    return previous;
}

}  // namespace vantorix
