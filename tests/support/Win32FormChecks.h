#pragma once

#include "platform/FormDesign.h"
#include "platform/win32/FormWindow.h"
#include "platform/win32/Windows.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

// What the tests of the Windows forms check of every control: where it
// stands at the screen's DPI, its caption, and that the caption fits.
namespace vantorix::testing::win32forms {

inline HWND H(gdi::HWND window) { return reinterpret_cast<HWND>(window); }

// The DPI this run's screen has (Wine's LogPixels): 96, or 144 in the run at 144.
inline int ScreenDpi() {
    const HDC screen = ::GetDC(nullptr);
    const int dpi = ::GetDeviceCaps(screen, LOGPIXELSX);
    ::ReleaseDC(nullptr, screen);
    return dpi;
}

// Where a control stands in its form's client area, in pixels.
inline RECT PlaceInForm(HWND control) {
    RECT place{};
    ::GetWindowRect(control, &place);
    ::MapWindowPoints(HWND_DESKTOP, ::GetParent(control), reinterpret_cast<POINT*>(&place), 2);
    return place;
}

inline std::string Where(const RECT& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + " " + std::to_string(r.right - r.left) + "x" +
           std::to_string(r.bottom - r.top);
}

// The caption in the control's own font: one line within the room the
// control leaves it (a box's indicator, a button's bevel, a frame's corners),
// or a wrapping label's lines within its height.
inline void ExpectCaptionFits(HWND control, const design::Control& design, int dpi) {
    using design::Kind;
    if (design.Type == Kind::ScrollBar || design.Type == Kind::Picture || design.Type == Kind::TextBox) return;
    const HDC dc = ::GetDC(control);
    const HGDIOBJ before = ::SelectObject(dc, reinterpret_cast<HFONT>(::SendMessageW(control, WM_GETFONT, 0, 0)));
    const std::wstring caption = win32::Wide(design.Caption);
    TEXTMETRICW metrics{};
    ::GetTextMetricsW(dc, &metrics);
    const int width = design::Pixels(design.Width, dpi), height = design::Pixels(design.Height, dpi);
    if (design.Wraps) {
        RECT needed{0, 0, width, 0};
        ::DrawTextW(dc, caption.c_str(), -1, &needed, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
        EXPECT_LE(needed.bottom, height) << design.Caption;
    } else {
        SIZE size{};
        ::GetTextExtentPoint32W(dc, caption.c_str(), static_cast<int>(caption.size()), &size);
        int room = width;
        if (design.Type == Kind::CheckBox || design.Type == Kind::Option) room -= 13 * dpi / 96 + metrics.tmAveCharWidth;
        if (design.Type == Kind::Button) room -= 8 * dpi / 96;
        if (design.Type == Kind::Frame) room -= 16 * dpi / 96;
        EXPECT_LE(size.cx, room) << design.Caption;
        if (design.Type != Kind::Frame) {
            EXPECT_LE(metrics.tmHeight, height) << design.Caption;
        }
    }
    ::SelectObject(dc, before);
    ::ReleaseDC(control, dc);
}

// The form's client area and every control as its description has them, at
// the screen's DPI (the tests run again at 144: twips x dpi / 1440); the
// controls `changing` hold texts of their own by then.
inline void ExpectAsDesigned(const win32::FormWindow& form, const std::set<std::string>& changing = {}) {
    const design::Form& design = form.Design();
    const int dpi = form.Dpi();
    EXPECT_EQ(dpi, ScreenDpi());
    RECT client{};
    ::GetClientRect(H(form.Handle()), &client);
    EXPECT_EQ(Where(client), Where({0, 0, design::Pixels(design.Width, dpi), design::Pixels(design.Height, dpi)}));
    wchar_t title[64] = {};
    ::GetWindowTextW(H(form.Handle()), title, 64);
    EXPECT_EQ(win32::Utf8(title), design.Caption);
    for (const design::Control& control : design.Controls) {
        SCOPED_TRACE(control.Name);
        const HWND made = H(form.Control(control.Name));
        const int left = design::Pixels(design.AbsoluteLeft(control), dpi);
        const int top = design::Pixels(design.AbsoluteTop(control), dpi);
        EXPECT_EQ(Where(PlaceInForm(made)), Where({left, top, left + design::Pixels(control.Width, dpi),
                                                   top + design::Pixels(control.Height, dpi)}));
        if (control.Type != design::Kind::ScrollBar && control.Type != design::Kind::Picture &&
            changing.count(control.Name) == 0) {
            EXPECT_EQ(form.Text(control.Name), control.Caption);
        }
        ExpectCaptionFits(made, control, dpi);
    }
}

}  // namespace vantorix::testing::win32forms
