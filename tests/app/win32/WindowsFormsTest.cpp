// The settings window, the About box and the waiting window as Windows'
// own controls make them, against the forms' one description; driven from
// inside the program as the user would drive them.
#include "app/Forms.h"
#include "app/win32/frmAbout.h"
#include "app/win32/frmMain.h"
#include "collect/WaitingForm.h"
#include "collect/win32/frmWaiting.h"
#include "job/mMain.h"
#include "tests/collect/CollectTestSupport.h"
#include "platform/win32/Windows.h"
#include "tests/support/Win32FormChecks.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>

namespace vantorix {
namespace {

using testing::MessageCatcher;
using testing::ProgramFolder;
using namespace testing::win32forms;
namespace fs = std::filesystem;

// Runs `action` on the window of that class and title as soon as it is
// shown, from a timer inside the modal loop that shows it. One that does not
// open within five seconds fails the test, and the active window is closed
// so that the test goes on.
void WhenShown(const wchar_t* windowClass, std::wstring title, std::function<void(HWND)> action) {
    struct Waiter {
        const wchar_t* windowClass;
        std::wstring title;
        std::function<void(HWND)> action;
        std::chrono::steady_clock::time_point until;
    };
    static Waiter waiter;
    waiter = {windowClass, std::move(title), std::move(action), std::chrono::steady_clock::now() + std::chrono::seconds(5)};
    ::SetTimer(nullptr, 0, 10, [](HWND, UINT, UINT_PTR timer, DWORD) {
        const HWND window = ::FindWindowW(waiter.windowClass, waiter.title.c_str());
        if (window != nullptr && ::IsWindowVisible(window)) {
            ::KillTimer(nullptr, timer);
            waiter.action(window);
        } else if (std::chrono::steady_clock::now() > waiter.until) {
            ::KillTimer(nullptr, timer);
            ADD_FAILURE() << "no window \"" << win32::Utf8(waiter.title) << "\" opened";
            ::PostMessageW(::GetActiveWindow(), WM_CLOSE, 0, 0);
        }
    });
}

RECT Frame(HWND window) {
    RECT frame{};
    ::GetWindowRect(window, &frame);
    return frame;
}

// Whether the window's frame is centred on that rectangle's centre.
bool CentredOn(HWND window, const RECT& around) {
    const RECT frame = Frame(window);
    return std::abs((frame.left + frame.right) - (around.left + around.right)) <= 2 &&
           std::abs((frame.top + frame.bottom) - (around.top + around.bottom)) <= 2;
}

TEST(WindowsForms, EveryControlStandsAsDesignedWithItsCaptionInFull) {
    if (const char* dpi = std::getenv("VANTORIX_SCREEN_DPI")) {
        ASSERT_EQ(ScreenDpi(), std::atoi(dpi));
    }
    ProgramFolder program;
    frmMain window(program.Path());
    ExpectAsDesigned(window);
    frmAbout about(window.Handle());
    ExpectAsDesigned(about);
    frmWaiting waiting(window.Handle(), program.Path(), [&] { return window.Job(); });
    ExpectAsDesigned(waiting);
    waiting.btnCancel_Click();
}

TEST(WindowsForms, TheSettingsWindowOpensCentredWithTheDefaultsAndTheFocusInTheCameraHeight) {
    ProgramFolder program;
    frmMain window(program.Path());
    window.Show();
    RECT workArea{};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &workArea, 0);
    EXPECT_TRUE(CentredOn(H(window.Handle()), workArea)) << Where(Frame(H(window.Handle())));
    EXPECT_EQ(::GetFocus(), H(window.Control("txtHeight")));

    const SkyboxJob job = window.Job(), defaults = DefaultSkyboxJob(program.Path());
    EXPECT_EQ(std::tie(job.CameraHeight, job.TGArea, job.TGSize, job.Render, job.Output, job.Convert, job.JPGQuality,
                       job.NameScheme, job.NameAbreviate),
              std::tie(defaults.CameraHeight, defaults.TGArea, defaults.TGSize, defaults.Render, defaults.Output,
                       defaults.Convert, defaults.JPGQuality, defaults.NameScheme, defaults.NameAbreviate));
    EXPECT_EQ(window.Text("lblJpegCompression"), "90");
    const LONG_PTR style = ::GetWindowLongPtrW(H(window.Handle()), GWL_STYLE);
    EXPECT_FALSE(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
    EXPECT_NE(::SendMessageW(H(window.Handle()), WM_GETICON, ICON_SMALL, 0), 0);
}

// The names of the controls the focus visits, one key press after another.
std::string Press(const frmMain& window, UINT key, int times, bool shift = false) {
    std::map<HWND, std::string> names;
    for (const design::Control& control : window.Design().Controls) names[H(window.Control(control.Name))] = control.Name;
    BYTE keys[256] = {};
    ::GetKeyboardState(keys);
    keys[VK_SHIFT] = shift ? 0x80 : 0;
    ::SetKeyboardState(keys);
    std::string visited = names[::GetFocus()];
    for (int i = 0; i < times; ++i) {
        ::PostMessageW(::GetFocus(), WM_KEYDOWN, key, 1);
        ::PostMessageW(::GetFocus(), WM_KEYUP, key, 0xC0000001);
        win32::PumpMessages();
        visited += " " + names[::GetFocus()];
    }
    keys[VK_SHIFT] = 0;
    ::SetKeyboardState(keys);
    return visited;
}

// Tab stops once in each option group, at its chosen option; the arrow keys
// move the choice round the group.
TEST(WindowsForms, TabStopsAtTheChosenOptionOfEachGroupAndArrowsMoveTheChoice) {
    ProgramFolder program;
    frmMain window(program.Path());
    window.Show();
    win32::PumpMessages();
    ASSERT_EQ(::GetFocus(), H(window.Control("txtHeight")));
    EXPECT_EQ(Press(window, VK_TAB, 18),
              "txtHeight chkRender(0) chkRender(1) chkRender(2) chkRender(3) chkRender(4) chkRender(5) txtOutput "
              "btnBrowse optConvert(2) hsJPGQuality optNameScheme(1) chkNameAbreviate btnStart btnExit optTGSize(1) "
              "txtTGArea btnAbout txtHeight");

    ::SetFocus(H(window.Control("optConvert(2)")));
    const struct {
        UINT key;
        const char* chosen;
    } arrows[] = {{VK_DOWN, "optConvert(0)"}, {VK_RIGHT, "optConvert(1)"}, {VK_UP, "optConvert(0)"},
                  {VK_LEFT, "optConvert(2)"}, {VK_LEFT, "optConvert(1)"}};
    for (const auto& arrow : arrows) {
        Press(window, arrow.key, 1);
        EXPECT_EQ(::GetFocus(), H(window.Control(arrow.chosen))) << arrow.chosen;
        EXPECT_TRUE(window.Checked(arrow.chosen)) << arrow.chosen;
    }
    EXPECT_EQ(window.Job().Convert, 1);

    ::SetFocus(H(window.Control("txtHeight")));
    EXPECT_EQ(Press(window, VK_TAB, 18, true),
              "txtHeight btnAbout txtTGArea optTGSize(1) btnExit btnStart chkNameAbreviate optNameScheme(1) "
              "hsJPGQuality optConvert(1) btnBrowse txtOutput chkRender(5) chkRender(4) chkRender(3) chkRender(2) "
              "chkRender(1) chkRender(0) txtHeight");
}

TEST(WindowsForms, TheQualityNumberFollowsTheBarAndItsThumb) {
    ProgramFolder program;
    frmMain window(program.Path());
    const HWND bar = H(window.Control("hsJPGQuality"));
    const struct {
        int code, thumb;
        const char* shown;
        int quality;
    } moves[] = {{SB_LEFT, 0, "0", 0},           {SB_LINERIGHT, 0, "1", 1},       {SB_RIGHT, 0, "100", 100},
                 {SB_PAGELEFT, 0, "90", 90},     {SB_THUMBTRACK, 73, "73", 90},   {SB_THUMBTRACK, 41, "41", 90},
                 {SB_THUMBPOSITION, 41, "41", 41}, {SB_PAGERIGHT, 0, "51", 51},   {SB_LINELEFT, 0, "50", 50}};
    for (const auto& move : moves) {
        ::SendMessageW(H(window.Handle()), WM_HSCROLL, MAKEWPARAM(move.code, move.thumb), reinterpret_cast<LPARAM>(bar));
        EXPECT_EQ(window.Text("lblJpegCompression"), move.shown) << move.code;
        EXPECT_EQ(window.Job().JPGQuality, move.quality) << move.code;
    }
}

// Terragen reads the script in the code page of the user's language: a
// landscape it cannot make, or a folder it could not read, stops Start with
// what to do about it, and no waiting window opens.
TEST(WindowsForms, StartThatCannotWriteTheScriptSaysWhyAndOpensNoWaitingWindow) {
    const struct {
        const char* folder;
        const char* area;
        const char* said;
    } cases[] = {{"Sky", "0", "Landscape Area \"0\""}, {"\xE7\xA9\xBA", "7680", "\"\xE7\xA9\xBA\""}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.said);
        testing::TempFolder outer;
        const std::string program = outer / c.folder;
        fs::create_directories(testing::U8(program));
        MessageCatcher messages;
        frmMain window(program);
        window.Show();
        window.SetText("txtTGArea", c.area);
        window.btnStart_Click();  // a waiting window would hold the test here
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_EQ(messages.shown[0].caption, "Skybox Script Not Written");
        EXPECT_EQ(messages.shown[0].style, MB_OK | MB_ICONERROR);
        EXPECT_NE(messages.shown[0].text.find(c.said), std::string::npos) << messages.shown[0].text;
        EXPECT_FALSE(fs::exists(testing::U8(ScriptPath(program))));
        EXPECT_TRUE(::IsWindowVisible(H(window.Handle())));
    }
}

// The About box opens over the settings window, centred on it wherever the
// user put it, and keeps it from input until OK.
TEST(WindowsForms, AboutOpensModallyCentredOnTheSettingsWindow) {
    ProgramFolder program;
    frmMain window(program.Path());
    window.Show();
    const HWND main = H(window.Handle());
    const RECT placed = Frame(main);
    ::SetWindowPos(main, nullptr, placed.left - 37, placed.top + 23, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    bool seen = false;
    WhenShown(L"VantorixForm", L"About Vantorix...", [&](HWND about) {
        seen = true;
        EXPECT_TRUE(CentredOn(about, Frame(main))) << Where(Frame(about)) << " over " << Where(Frame(main));
        EXPECT_FALSE(::IsWindowEnabled(main));
        EXPECT_EQ(::GetWindow(about, GW_OWNER), main);
        EXPECT_TRUE(::GetWindowLongPtrW(about, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
        BITMAP logo{};
        const auto shown = reinterpret_cast<HBITMAP>(
            ::SendMessageW(::FindWindowExW(about, nullptr, L"STATIC", L""), STM_GETIMAGE, IMAGE_BITMAP, 0));
        ASSERT_NE(shown, nullptr);
        ::GetObjectW(shown, sizeof logo, &logo);
        EXPECT_EQ(std::pair(logo.bmWidth, logo.bmHeight), std::pair(67L, 67L));
        ::SendMessageW(::FindWindowExW(about, nullptr, L"BUTTON", L"OK"), BM_CLICK, 0, 0);
    });
    window.btnAbout_Click();
    EXPECT_TRUE(seen);
    EXPECT_TRUE(::IsWindowEnabled(main));
    EXPECT_TRUE(::IsWindowVisible(main));
}

// Moved to a monitor of another DPI (Windows says so with WM_DPICHANGED),
// the form takes the size Windows suggests and lays every control out again.
TEST(WindowsForms, AMoveToAMonitorOfAnotherDpiLaysTheFormOutAgain) {
    ProgramFolder program;
    frmMain window(program.Path());
    const int dpi = window.Dpi() == 144 ? 96 : 144;
    RECT suggested{100, 100, 100 + design::Pixels(8295, dpi) + 20, 100 + design::Pixels(5295, dpi) + 40};
    ::SendMessageW(H(window.Handle()), WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
    EXPECT_EQ(window.Dpi(), dpi);
    EXPECT_EQ(Where(Frame(H(window.Handle()))), Where(suggested));
    const design::Form& form = window.Design();
    for (const char* name : {"txtHeight", "optConvert(2)", "btnExit"}) {
        const design::Control& control = form[name];
        const int left = design::Pixels(form.AbsoluteLeft(control), dpi), top = design::Pixels(form.AbsoluteTop(control), dpi);
        EXPECT_EQ(Where(PlaceInForm(H(window.Control(name)))), Where({left, top, left + design::Pixels(control.Width, dpi),
                                                                     top + design::Pixels(control.Height, dpi)}))
            << name;
        LOGFONTW font{};
        ::GetObjectW(reinterpret_cast<HFONT>(::SendMessageW(H(window.Control(name)), WM_GETFONT, 0, 0)), sizeof font, &font);
        EXPECT_EQ(font.lfHeight, -design::FontPixels(control.FontPixels, dpi)) << name;
    }
}

// Escape cancels the waiting window, as a dialog's Cancel does; Enter, which
// it has no button for, leaves it waiting. The keys go to its Cancel button,
// which has the focus while the window is active.
TEST(WindowsForms, EscapeCancelsTheWaitingWindowAndEnterDoesNot) {
    ProgramFolder program;
    frmMain window(program.Path());
    window.Show();
    static HWND cancel = nullptr;
    static bool stayedAfterEnter = false;
    static int ticks = 0;
    cancel = nullptr;
    stayedAfterEnter = false;
    ticks = 0;
    WhenShown(L"VantorixForm", L"Waiting...", [](HWND waiting) {
        cancel = ::FindWindowExW(waiting, nullptr, L"BUTTON", L"Cancel");
        ::PostMessageW(cancel, WM_KEYDOWN, VK_RETURN, 0);
        ::PostMessageW(cancel, WM_KEYUP, VK_RETURN, 0);
        ::SetTimer(nullptr, 0, 300, [](HWND, UINT, UINT_PTR timer, DWORD) {
            const HWND waiting = ::GetParent(cancel);
            if (++ticks == 1) {
                stayedAfterEnter = ::IsWindowVisible(waiting);
                ::PostMessageW(cancel, WM_KEYDOWN, VK_ESCAPE, 0);
                ::PostMessageW(cancel, WM_KEYUP, VK_ESCAPE, 0);
            } else if (!::IsWindowVisible(waiting) || ticks > 10) {
                ::KillTimer(nullptr, timer);
                if (::IsWindowVisible(waiting)) ::PostMessageW(waiting, WM_CLOSE, 0, 0);  // so that the test goes on
            }
        });
    });
    window.btnStart_Click();  // returns once the waiting window is gone
    EXPECT_NE(cancel, nullptr);
    EXPECT_TRUE(stayedAfterEnter);
    EXPECT_LE(ticks, 10) << "Escape did not close the waiting window";
    EXPECT_TRUE(::IsWindowEnabled(H(window.Handle())));
}

// Windows' own save dialog, driven from inside: Cancel keeps the output,
// Save with a typed name puts it in.
TEST(WindowsForms, BrowseReplacesTheOutputOnlyWithAConfirmedName) {
    ProgramFolder program;
    frmMain window(program.Path());
    window.Show();
    const std::string before = window.Text("txtOutput");
    const std::string chosen = program.folder / "Sky/Test";
    fs::create_directories(testing::U8(program.folder / "Sky"));
    for (const bool save : {false, true}) {
        bool seen = false;
        WhenShown(L"#32770", L"Filename Prefix...", [&](HWND dialog) {
            seen = true;
            EXPECT_EQ(::GetWindow(dialog, GW_OWNER), H(window.Handle()));
            if (save) {
                for (const int box : {0x47c, 0x480}) ::SetDlgItemTextW(dialog, box, win32::Wide(chosen).c_str());
            }
            ::PostMessageW(dialog, WM_COMMAND, save ? IDOK : IDCANCEL, 0);
        });
        window.btnBrowse_Click();
        EXPECT_TRUE(seen);
        EXPECT_EQ(window.Text("txtOutput"), save ? chosen : before);
    }
}

// Exit and the title bar's close box both end the program's message loop.
TEST(WindowsForms, ExitAndTheCloseBoxEndTheProgram) {
    ProgramFolder program;
    for (const bool closeBox : {false, true}) {
        SCOPED_TRACE(closeBox ? "close box" : "Exit");
        frmMain window(program.Path());
        window.Show();
        const HWND main = H(window.Handle());
        if (closeBox) {
            ::PostMessageW(main, WM_SYSCOMMAND, SC_CLOSE, 0);
        } else {
            ::PostMessageW(H(window.Control("btnExit")), BM_CLICK, 0, 0);
        }
        const UINT_PTR guard = ::SetTimer(nullptr, 0, 5000, [](HWND, UINT, UINT_PTR, DWORD) { ::PostQuitMessage(1); });
        EXPECT_EQ(win32::RunMessageLoop(), 0);
        ::KillTimer(nullptr, guard);
        EXPECT_FALSE(::IsWindow(main));
    }
}

}  // namespace
}  // namespace vantorix
