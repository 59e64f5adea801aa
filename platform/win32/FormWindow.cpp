#include "platform/win32/FormWindow.h"

#include "platform/MessageBox.h"
#include "platform/win32/Windows.h"

#include <commctrl.h>

#include <algorithm>
#include <stdexcept>

namespace vantorix::win32 {

namespace {

constexpr wchar_t WindowClass[] = L"VantorixForm";
constexpr int FirstControlId = 100;
constexpr int EnterPressed = 1, EscapePressed = 2;  // Windows' IDOK and IDCANCEL
int openWindows = 0;  // top-level forms alive, for the message loop

HWND AsHwnd(gdi::HWND window) { return reinterpret_cast<HWND>(window); }
gdi::HWND Ours(HWND window) { return reinterpret_cast<gdi::HWND>(window); }

LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return FormWindow::Procedure(Ours(window), message, wParam, lParam);
}

// Windows 10's calls for a window's own DPI, where Windows has them.
template <typename Function>
Function UserCall(const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(::GetProcAddress(::GetModuleHandleW(L"user32.dll"), name)));
}

int SystemDpi() {
    const HDC screen = ::GetDC(nullptr);
    const int dpi = ::GetDeviceCaps(screen, LOGPIXELSX);
    ::ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : 96;
}

int WindowDpi(HWND window) {
    static const auto forWindow = UserCall<UINT(WINAPI*)(HWND)>("GetDpiForWindow");
    const UINT dpi = forWindow != nullptr ? forWindow(window) : 0;
    return dpi > 0 ? static_cast<int>(dpi) : SystemDpi();
}

// The frame around a client area of that size at that DPI.
RECT FrameAround(int clientWidth, int clientHeight, DWORD style, DWORD extendedStyle, int dpi) {
    static const auto forDpi = UserCall<BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT)>("AdjustWindowRectExForDpi");
    RECT frame{0, 0, clientWidth, clientHeight};
    if (forDpi == nullptr || !forDpi(&frame, style, FALSE, extendedStyle, static_cast<UINT>(dpi))) {
        ::AdjustWindowRectEx(&frame, style, FALSE, extendedStyle);
    }
    return frame;
}

void RegisterClassOnce(WNDPROC procedure) {
    static bool registered = false;
    if (registered) return;
    // Windows' themed controls, where the program's manifest asks for them.
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS};
    ::InitCommonControlsEx(&controls);
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = ::GetModuleHandleW(nullptr);
    windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = ::GetSysColorBrush(COLOR_BTNFACE);
    windowClass.lpszClassName = WindowClass;
    ::RegisterClassExW(&windowClass);
    registered = true;
}

// Whether the message is the dialog keyboard's (Tab, the arrows, Enter,
// Escape) for one of the program's forms, and handled as such.
bool DialogKeyboard(MSG& message) {
    const HWND root = ::GetAncestor(message.hwnd, GA_ROOT);
    if (root == nullptr) return false;
    wchar_t name[32] = {};
    ::GetClassNameW(root, name, 32);
    return std::wstring_view(name) == WindowClass && ::IsDialogMessageW(root, &message);
}

// Where a window of this client size stands centred on `around` (screen coordinates).
RECT Centred(const RECT& around, int clientWidth, int clientHeight, DWORD style, DWORD extendedStyle, int dpi) {
    const RECT frame = FrameAround(clientWidth, clientHeight, style, extendedStyle, dpi);
    const int width = frame.right - frame.left, height = frame.bottom - frame.top;
    const int left = around.left + (around.right - around.left - width) / 2;
    const int top = around.top + (around.bottom - around.top - height) / 2;
    return {left, top, left + width, top + height};
}

}  // namespace

FormWindow::FormWindow(design::Form design, gdi::HWND owner, int iconResource)
    : design_(std::move(design)), owner_(owner) {
    RegisterClassOnce(&WindowProcedure);
    const DWORD style = design_.ToolWindow ? WS_POPUP | WS_CAPTION | WS_SYSMENU : WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
    const DWORD extended = WS_EX_CONTROLPARENT | (design_.ToolWindow ? WS_EX_TOOLWINDOW : 0);
    const HWND window = ::CreateWindowExW(extended, WindowClass, Wide(design_.Caption).c_str(), style, CW_USEDEFAULT,
                                          CW_USEDEFAULT, 0, 0, AsHwnd(owner_), nullptr, ::GetModuleHandleW(nullptr), this);
    if (window == nullptr) throw std::runtime_error("Windows cannot make the window " + design_.Name + ".");
    window_ = Ours(window);
    ++openWindows;
    dpi_ = WindowDpi(window);  // the monitor's it opens on; WM_DPICHANGED says when that changes
    const RECT frame = FrameAround(design::Pixels(design_.Width, dpi_), design::Pixels(design_.Height, dpi_), style,
                                   extended, dpi_);
    ::SetWindowPos(window, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    MakeControls(iconResource);
}

FormWindow::~FormWindow() {
    if (window_ != nullptr) ::DestroyWindow(AsHwnd(window_));
    for (const auto& [size, font] : fonts_) ::DeleteObject(static_cast<HFONT>(font));
}

void FormWindow::MakeControls(int iconResource) {
    using design::Kind;
    const HINSTANCE instance = ::GetModuleHandleW(nullptr);
    if (iconResource != 0) {
        const auto icon = [&](int size) {
            return reinterpret_cast<LPARAM>(::LoadImageW(instance, MAKEINTRESOURCEW(iconResource), IMAGE_ICON, size, size, 0));
        };
        // The sizes Windows shows at this screen's DPI: 16 and 32 pixels at 96, larger above it.
        ::SendMessageW(AsHwnd(window_), WM_SETICON, ICON_SMALL, icon(::GetSystemMetrics(SM_CXSMICON)));
        ::SendMessageW(AsHwnd(window_), WM_SETICON, ICON_BIG, icon(::GetSystemMetrics(SM_CXICON)));
    }
    // Windows' tab order is the order controls are made in: the focusable
    // ones in their tab order first, then labels and frames, which lie under them.
    std::vector<const design::Control*> order = design::TabOrder(design_);
    for (const design::Control& control : design_.Controls) {
        if (!design::TakesFocus(control)) order.push_back(&control);
    }
    std::string lastGroup;  // the frame of the option group being made, if any
    int id = FirstControlId;
    for (const design::Control* control : order) {
        const wchar_t* windowClass = L"STATIC";
        DWORD style = WS_CHILD | WS_VISIBLE, extended = 0;
        const bool focus = design::TakesFocus(*control);
        // Each focusable control starts a group, but for the second and later options of one.
        const bool continuesGroup = control->Type == Kind::Option && lastGroup == control->Frame;
        if (focus) style |= WS_TABSTOP | (continuesGroup ? 0 : WS_GROUP);
        lastGroup = control->Type == Kind::Option ? control->Frame : std::string();
        switch (control->Type) {
            case Kind::Frame: windowClass = L"BUTTON", style |= BS_GROUPBOX; break;
            case Kind::Label:
                style |= SS_NOPREFIX | (control->Alignment == design::Align::Centre  ? SS_CENTER
                                        : control->Alignment == design::Align::Right ? SS_RIGHT
                                        : control->Wraps                             ? SS_LEFT
                                                                                     : SS_LEFTNOWORDWRAP);
                if (control->Border) style |= WS_BORDER | SS_CENTERIMAGE;
                break;
            case Kind::Picture: style |= SS_BITMAP | SS_CENTERIMAGE; break;  // the picture centred, never stretched
            case Kind::TextBox: windowClass = L"EDIT", style |= ES_AUTOHSCROLL, extended = WS_EX_CLIENTEDGE; break;
            case Kind::Button: windowClass = L"BUTTON", style |= BS_PUSHBUTTON; break;
            case Kind::CheckBox: windowClass = L"BUTTON", style |= BS_AUTOCHECKBOX; break;
            case Kind::Option: windowClass = L"BUTTON", style |= BS_AUTORADIOBUTTON; break;
            case Kind::ScrollBar: windowClass = L"SCROLLBAR", style |= SBS_HORZ; break;
            case Kind::ProgressBar: windowClass = PROGRESS_CLASSW; break;
        }
        const HWND made = ::CreateWindowExW(extended, windowClass, Wide(control->Caption).c_str(), style, 0, 0, 0, 0,
                                            AsHwnd(window_), reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance,
                                            nullptr);
        if (made == nullptr) throw std::runtime_error("Windows cannot make the control " + control->Name + ".");
        if (control->Type == Kind::CheckBox || control->Type == Kind::Option) {
            ::SendMessageW(made, BM_SETCHECK, control->Value ? BST_CHECKED : BST_UNCHECKED, 0);
        }
        if (control->Type == Kind::ProgressBar) {
            ::SendMessageW(made, PBM_SETRANGE32, static_cast<WPARAM>(control->Minimum), control->Maximum);
            ::SendMessageW(made, PBM_SETPOS, static_cast<WPARAM>(control->Position), 0);
        }
        if (control->Type == Kind::ScrollBar) {
            ::SetScrollRange(made, SB_CTL, control->Minimum, control->Maximum, FALSE);
            ::SetScrollPos(made, SB_CTL, control->Position, TRUE);
        }
        controls_[control->Name] = Ours(made);
        names_[id++] = control->Name;
    }
    LayOut();
}

void FormWindow::LayOut() {
    std::map<std::pair<int, bool>, void*> fonts;
    for (const design::Control& control : design_.Controls) {
        const HWND made = AsHwnd(Control(control.Name));
        ::SetWindowPos(made, nullptr, design::Pixels(design_.AbsoluteLeft(control), dpi_),
                       design::Pixels(design_.AbsoluteTop(control), dpi_), design::Pixels(control.Width, dpi_),
                       design::Pixels(control.Height, dpi_), SWP_NOZORDER | SWP_NOACTIVATE);
        // Arial at the design's pixels for 96 dots per inch, at the window's.
        void*& font = fonts[{design::FontPixels(control.FontPixels, dpi_), control.Bold}];
        if (font == nullptr) {
            font = ::CreateFontW(-design::FontPixels(control.FontPixels, dpi_), 0, 0, 0,
                                 control.Bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                 OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS,
                                 L"Arial");
        }
        ::SendMessageW(made, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    }
    for (const auto& [size, font] : fonts_) ::DeleteObject(static_cast<HFONT>(font));
    fonts_ = std::move(fonts);
}

gdi::HWND FormWindow::Control(std::string_view name) const {
    const auto found = controls_.find(name);
    if (found == controls_.end()) throw std::out_of_range("The form " + design_.Name + " has no control " + std::string(name) + ".");
    return found->second;
}

void FormWindow::Show() {
    RECT workArea{};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &workArea, 0);
    const HWND window = AsHwnd(window_);
    const RECT frame = Centred(workArea, design::Pixels(design_.Width, dpi_), design::Pixels(design_.Height, dpi_),
                               static_cast<DWORD>(::GetWindowLongPtrW(window, GWL_STYLE)),
                               static_cast<DWORD>(::GetWindowLongPtrW(window, GWL_EXSTYLE)), dpi_);
    ::SetWindowPos(window, nullptr, frame.left, frame.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    ::ShowWindow(window, SW_SHOW);
    ::UpdateWindow(window);
    const std::vector<const design::Control*> order = design::TabOrder(design_);
    if (!order.empty()) ::SetFocus(AsHwnd(Control(order.front()->Name)));
    open_ = true;
}

void FormWindow::ShowModal() {
    const HWND window = AsHwnd(window_), owner = AsHwnd(owner_);
    RECT around{};
    if (owner != nullptr) {
        ::GetWindowRect(owner, &around);
    } else {
        ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &around, 0);
    }
    const RECT frame = Centred(around, design::Pixels(design_.Width, dpi_), design::Pixels(design_.Height, dpi_),
                               static_cast<DWORD>(::GetWindowLongPtrW(window, GWL_STYLE)),
                               static_cast<DWORD>(::GetWindowLongPtrW(window, GWL_EXSTYLE)), dpi_);
    ::SetWindowPos(window, nullptr, frame.left, frame.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    if (owner != nullptr) ::EnableWindow(owner, FALSE);
    ::ShowWindow(window, SW_SHOW);
    const std::vector<const design::Control*> order = design::TabOrder(design_);
    if (!order.empty()) ::SetFocus(AsHwnd(Control(order.front()->Name)));
    open_ = true;
    RunUntilClosed();
    if (owner != nullptr) {
        ::EnableWindow(owner, TRUE);
        ::SetActiveWindow(owner);
    }
}

void FormWindow::RunUntilClosed() {
    MSG message{};
    while (open_ && ::GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (DialogKeyboard(message)) continue;
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
    if (message.message == WM_QUIT) ::PostQuitMessage(static_cast<int>(message.wParam));  // for the outer loop
}

void FormWindow::Close() {
    if (!open_ && window_ == nullptr) return;
    open_ = false;
    // The owner is enabled before this window hides, as a dialog's end does,
    // so that Windows hands the activation back to it and not elsewhere.
    if (owner_ != nullptr) ::EnableWindow(AsHwnd(owner_), TRUE);
    ::ShowWindow(AsHwnd(window_), SW_HIDE);
    ::PostMessageW(AsHwnd(window_), WM_NULL, 0, 0);  // wakes a modal loop to see it closed
    if (owner_ == nullptr) ::DestroyWindow(AsHwnd(window_));
}

std::string FormWindow::Text(std::string_view control) const {
    const HWND window = AsHwnd(Control(control));
    std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(::GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return Utf8(text);
}

void FormWindow::SetText(std::string_view control, const std::string& text) {
    ::SetWindowTextW(AsHwnd(Control(control)), Wide(text).c_str());
}

bool FormWindow::Checked(std::string_view control) const {
    return ::SendMessageW(AsHwnd(Control(control)), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void FormWindow::OnCommand(const std::string&, unsigned) {}
void FormWindow::OnDialogKey(bool) {}
void FormWindow::OnScroll(const std::string&, int, int) {}
void FormWindow::OnTimer(std::uintptr_t) {}
bool FormWindow::OnCloseBox() { return true; }

std::intptr_t FormWindow::Procedure(gdi::HWND window, unsigned message, std::uintptr_t wParam, std::intptr_t lParam) {
    const HWND handle = AsHwnd(window);
    if (message == WM_NCCREATE) {
        const auto* creation = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        ::SetWindowLongPtrW(handle, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(creation->lpCreateParams));
    }
    auto* form = reinterpret_cast<FormWindow*>(::GetWindowLongPtrW(handle, GWLP_USERDATA));
    if (form == nullptr || form->window_ == nullptr) return ::DefWindowProcW(handle, message, wParam, lParam);
    return form->Receive(message, wParam, lParam);
}

std::intptr_t FormWindow::Receive(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) {
    const HWND window = AsHwnd(window_);
    try {
        switch (message) {
            case WM_COMMAND: {
                const int id = LOWORD(wParam);
                if (id == EnterPressed || id == EscapePressed) {
                    OnDialogKey(id == EnterPressed);
                } else if (const auto named = names_.find(id); named != names_.end()) {
                    OnCommand(named->second, HIWORD(wParam));
                }
                return 0;
            }
            case WM_HSCROLL: {
                const auto named = std::find_if(controls_.begin(), controls_.end(), [&](const auto& entry) {
                    return AsHwnd(entry.second) == reinterpret_cast<HWND>(lParam);
                });
                if (named != controls_.end()) OnScroll(named->first, LOWORD(wParam), static_cast<short>(HIWORD(wParam)));
                return 0;
            }
            case WM_TIMER: OnTimer(wParam); return 0;
            case WM_DPICHANGED: {
                // Moved to a monitor of another DPI: the size Windows suggests, every control laid out again.
                dpi_ = LOWORD(wParam);
                const auto* suggested = reinterpret_cast<const RECT*>(lParam);
                ::SetWindowPos(window, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                               suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
                LayOut();
                return 0;
            }
            case WM_ACTIVATE:
                // As a dialog does: the focused control is kept while another window is
                // active, and has the focus again when this one is.
                if (LOWORD(wParam) == WA_INACTIVE) {
                    const HWND focus = ::GetFocus();
                    if (focus != nullptr && ::IsChild(window, focus)) focused_ = Ours(focus);
                } else if (focused_ != nullptr && ::IsWindow(AsHwnd(focused_)) && ::IsWindowEnabled(AsHwnd(focused_))) {
                    ::SetFocus(AsHwnd(focused_));
                    return 0;
                }
                break;
            case WM_CLOSE:
                if (OnCloseBox()) Close();
                return 0;
            case WM_DESTROY:
                open_ = false;
                window_ = nullptr;
                --openWindows;
                ::PostThreadMessageW(::GetCurrentThreadId(), WM_NULL, 0, 0);  // the loop looks again
                return 0;
            default: break;
        }
    } catch (const std::exception& error) {
        // A handler's error that nothing above it caught: the program says so and goes on.
        MessageBox(error.what(), "Vantorix", MB_OK | MB_ICONERROR);
        return 0;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

int RunMessageLoop() {
    MSG message{};
    while (openWindows > 0) {
        if (::GetMessageW(&message, nullptr, 0, 0) <= 0) return static_cast<int>(message.wParam);  // WM_QUIT's code
        if (DialogKeyboard(message)) continue;
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
    return 0;
}

void PumpMessages() {
    MSG message{};
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            ::PostQuitMessage(static_cast<int>(message.wParam));  // for the loop that waits for it
            return;
        }
        if (DialogKeyboard(message)) continue;
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
}

std::string ProgramFolder() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    return Utf8(path.substr(0, path.find_last_of(L"\\\\/")));
}

}  // namespace vantorix::win32
