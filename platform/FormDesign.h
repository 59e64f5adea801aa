#pragma once

#include <string>
#include <string_view>
#include <vector>

// The design of a form: its controls, where they stand in twips, their
// captions, tab order and fonts. One description of each form feeds the
// windows of every system (Qt's on Linux, Windows' own on Windows) and the
// tests that check them, so the windows cannot drift apart.
namespace vantorix::design {

inline constexpr int TwipsPerPixel = 15;  // at 96 dots per inch
constexpr int Pixels(int twips) { return twips / TwipsPerPixel; }
// At a screen of `dpi` dots per inch: a twip is 1/1440 inch (15 to the pixel
// at 96 dpi, 10 at 144), to the nearest pixel.
constexpr int Pixels(int twips, int dpi) { return (twips * dpi + 720) / 1440; }
// A font's pixel size at 96 dpi, at `dpi`.
constexpr int FontPixels(int pixelsAt96, int dpi) { return (pixelsAt96 * dpi + 48) / 96; }

enum class Kind { Frame, Label, TextBox, Button, CheckBox, Option, ScrollBar, Picture, ProgressBar };
enum class Align { Left, Centre, Right };

struct Control {
    std::string Name;     // "chkRender(0)": an array's element carries its index
    Kind Type;
    std::string Frame;    // the frame it stands in; empty: the form itself
    std::string Caption;  // a text box's first content; nothing for a scroll bar or picture
    int Left, Top, Width, Height;  // twips, from the frame's or the form's client area's top left
    int TabIndex = -1;             // the designed tab index (labels and frames have one but take no focus)
    bool Value = false;            // a check box ticked, an option chosen
    Align Alignment = Align::Left;
    bool Border = false;           // a label with a single-line border
    bool Wraps = false;            // a label that wraps onto more lines
    int FontPixels = 10;           // Arial (Liberation Sans on Linux, the same widths), in pixels at 96 dpi
    bool Bold = false;
    int Minimum = 0, Maximum = 0, Position = 0;  // a scroll bar's or progress bar's range and value
};

struct Form {
    std::string Name;
    std::string Caption;
    int Width, Height;  // the client area, twips
    bool ToolWindow;    // a small title bar and no taskbar button; otherwise a fixed dialog frame
    std::vector<Control> Controls;  // in design order

    // The control of that name; throws std::out_of_range when there is none.
    const Control& operator[](std::string_view name) const;
    // Left and top in twips from the form's client area, frames added in.
    int AbsoluteLeft(const Control& control) const;
    int AbsoluteTop(const Control& control) const;
};

// "chkRender(3)" for an array's element.
std::string Indexed(std::string_view name, int index);

// True for the kinds of control the focus can enter: not labels, frames, pictures or progress bars.
bool TakesFocus(const Control& control);

// The controls the focus can enter, in the order Tab takes it through them.
std::vector<const Control*> TabOrder(const Form& form);

}  // namespace vantorix::design
