#pragma once

#include <QRect>

#include <functional>

class QWidget;

namespace vantorix {

// Centres the window's frame, title bar included, on `area` when it is
// first shown. A window manager adds the frame only once the window is on
// the screen, so the window is centred again each time the frame's size
// becomes known or changes, until the first frame the manager gives it.
// Without a window manager there is no frame, and the window itself is centred.
void CentreFrameWhenShown(QWidget* window, std::function<QRect()> area);

// The frame's centre on the owner's frame centre; a window without an owner
// is left where the toolkit puts it.
void CentreFrameOnOwnerWhenShown(QWidget* window, QWidget* owner);

}  // namespace vantorix
