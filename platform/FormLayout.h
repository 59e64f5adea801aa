#pragma once

#include "platform/FormDesign.h"

#include <QFont>
#include <QIcon>
#include <QLatin1StringView>
#include <QRect>
#include <QSize>

#include <map>
#include <string>

class QWidget;

namespace vantorix {

// Windows are laid out in twips, 1/1440 inch: 15 make one pixel at 96 dots
// per inch. Qt's device-independent pixels carry that to other screens.
constexpr int TwipsToPixels(int twips) { return twips / 15; }

inline QRect TwipsRect(int left, int top, int width, int height) {
    return {TwipsToPixels(left), TwipsToPixels(top), TwipsToPixels(width), TwipsToPixels(height)};
}

inline QSize TwipsSize(int width, int height) { return {TwipsToPixels(width), TwipsToPixels(height)}; }

// The windows' font: Liberation Sans (Arial's widths) at 10 pixels, which
// sets captions as wide as the classic 8-point dialog font did, so every
// caption fits the control made for it.
QFont FormFont();

// The style the layouts were drawn for: 13-pixel check boxes and option
// buttons, frame captions set into the frame's line.
inline constexpr QLatin1StringView FormStyleName("Windows");

// The program's icon at 16 and 32 pixels, from the pictures the program
// carries as Qt resources (":/vantorix/icon-16.png" and "-32.png").
QIcon ProgramIcon();

// Gives a finished window and every control on it the form style.
void ApplyFormStyle(QWidget* window);

// Makes the form's controls on the window as designed: each named, placed
// in its frame, captioned, with its font, value and alignment; the tab
// order as designed (labels and frames take no focus, each option group is
// one stop); Enter presses no button. Sizes the window to the design and
// gives it its caption. Returns the controls by name.
std::map<std::string, QWidget*> BuildForm(QWidget* window, const design::Form& form);

}  // namespace vantorix
