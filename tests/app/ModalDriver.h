#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLineEdit>
#include <QThread>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>

namespace vantorix::testing {

// Runs `action` on the next modal window of type Window as soon as it is
// open, from inside its own event loop: a window closed while it is still
// being shown would leave its exec() waiting for ever. When none opens within five seconds
// the test fails, and a modal window of another kind is closed, so that a
// test never hangs.
template <typename Window>
void WhenModalOpens(std::function<void(Window*)> action) {
    auto* poll = new QTimer(qApp);
    auto waited = std::make_shared<QElapsedTimer>();
    waited->start();
    const int callersLoop = QThread::currentThread()->loopLevel();
    QObject::connect(poll, &QTimer::timeout, [poll, waited, callersLoop, action = std::move(action)] {
        QWidget* modal = QApplication::activeModalWidget();
        auto* window = dynamic_cast<Window*>(modal);
        if (window != nullptr && QThread::currentThread()->loopLevel() > callersLoop) {
            poll->deleteLater();
            poll->stop();
            action(window);
        } else if (waited->elapsed() > 5000) {
            poll->deleteLater();
            poll->stop();
            ADD_FAILURE() << "the expected modal window did not open";
            if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->reject();
        }
    });
    poll->start(5);
}

// The dialog's Save button: accepts the name typed, as the user would.
inline void PressSave(QFileDialog* dialog) {
    static_cast<QDialog*>(dialog)->accept();
}

// Types a name into the dialog's file name box and presses Save. (The
// dialog's selectFile leaves the box alone while it has the focus.)
inline void TypeAndSave(QFileDialog* dialog, const QString& name) {
    auto* box = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    if (box == nullptr) {
        ADD_FAILURE() << "the dialog has no file name box";
        dialog->reject();
        return;
    }
    box->setText(name);
    PressSave(dialog);
}

}  // namespace vantorix::testing
