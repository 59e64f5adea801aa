#include "platform/WindowPlacement.h"

#include <QEvent>
#include <QMargins>
#include <QWidget>
#include <QWindow>

namespace vantorix {

namespace {

class FrameCentring : public QObject {
public:
    FrameCentring(QWidget* window, std::function<QRect()> area)
        : QObject(window), window_(window), area_(std::move(area)) {
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != window_) return false;
        switch (event->type()) {
            case QEvent::Show:
                shown_ = true;
                Centre();
                break;
            case QEvent::Move:
            case QEvent::Resize:
            case QEvent::Paint:
            case QEvent::WindowActivate:
                if (shown_ && Margins() != centredWith_) {
                    Centre();
                    if (!centredWith_.isNull()) deleteLater();  // the manager's frame is in place
                }
                break;
            default:
                break;
        }
        return false;
    }

private:
    QMargins Margins() const {
        const QWindow* handle = window_->windowHandle();
        return handle != nullptr ? handle->frameMargins() : QMargins();
    }

    // Placed by its client area (setGeometry), which every window manager
    // honours as asked; a frame position (move) is read differently before
    // and after the manager has framed the window.
    void Centre() {
        centredWith_ = Margins();
        QRect frame = QRect(QPoint(), window_->size()).marginsAdded(centredWith_);
        frame.moveCenter(area_().center());
        window_->setGeometry(frame.marginsRemoved(centredWith_));
    }

    QWidget* window_;
    std::function<QRect()> area_;
    bool shown_ = false;
    QMargins centredWith_;
};

}  // namespace

void CentreFrameWhenShown(QWidget* window, std::function<QRect()> area) {
    new FrameCentring(window, std::move(area));
}

void CentreFrameOnOwnerWhenShown(QWidget* window, QWidget* owner) {
    if (owner == nullptr) return;  // left where the toolkit puts it
    CentreFrameWhenShown(window, [owner] { return owner->frameGeometry(); });
}

}  // namespace vantorix
