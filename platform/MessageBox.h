#pragma once

#include <exception>
#include <functional>
#include <string>

namespace vantorix {

// The message box styles and answers the program uses, with Windows' values.
inline constexpr unsigned MB_OK = 0x00;
inline constexpr unsigned MB_ICONERROR = 0x10;
inline constexpr unsigned MB_ICONEXCLAMATION = 0x30;
inline constexpr unsigned MB_ICONINFORMATION = 0x40;
inline constexpr int IDOK = 1;

// Shows a modal message box over the active window and returns the answer.
// Without a running Qt Widgets application the message goes to standard error.
int MessageBox(const std::string& text, const std::string& caption, unsigned style);

// Lets tests see the messages instead of answering a window; returns the
// handler it replaces. An empty handler restores the real message box.
using MessageBoxHandler = std::function<int(const std::string& text, const std::string& caption, unsigned style)>;
MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler);

// Runs a user's action. A failure ends the action with an error box of that
// caption, and the program goes on. True when the action ran through.
template <typename Action>
bool AtUserAction(const std::string& caption, Action&& action) {
    try {
        action();
        return true;
    } catch (const std::exception& error) {
        MessageBox(error.what(), caption, MB_OK | MB_ICONERROR);
        return false;
    }
}

}  // namespace vantorix
