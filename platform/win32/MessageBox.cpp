#include "platform/MessageBox.h"

#include "platform/win32/Windows.h"

namespace vantorix {

namespace {

MessageBoxHandler& Handler() {
    static MessageBoxHandler handler;
    return handler;
}

}  // namespace

int MessageBox(const std::string& text, const std::string& caption, unsigned style) {
    if (Handler()) return Handler()(text, caption, style);
    // Over the window the user works in, which waits until the box is closed.
    return ::MessageBoxW(::GetActiveWindow(), win32::Wide(text).c_str(), win32::Wide(caption).c_str(),
                         style | MB_TASKMODAL);
}

MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler) {
    MessageBoxHandler previous = std::move(Handler());
    Handler() = std::move(handler);
    return previous;
}

}  // namespace vantorix
