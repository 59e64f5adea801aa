#include "platform/WindowHandles.h"

#include <QPointer>
#include <QVariant>
#include <QWidget>

#include <unordered_map>

namespace vantorix {

namespace {

constexpr const char* HandleProperty = "vantorixWindowHandle";

// Above the desktop window's handle, and never 0 or -1.
gdi::HWND nextHandle = 0x00020000;

std::unordered_map<gdi::HWND, QPointer<QWidget>>& Windows() {
    static std::unordered_map<gdi::HWND, QPointer<QWidget>> windows;
    return windows;
}

}  // namespace

gdi::HWND HandleOfWindow(QWidget* window) {
    if (window == nullptr) return 0;
    const QVariant known = window->property(HandleProperty);
    if (known.isValid()) return known.toUInt();
    const gdi::HWND handle = nextHandle;
    nextHandle += 4;
    window->setProperty(HandleProperty, handle);
    Windows()[handle] = window;
    QObject::connect(window, &QObject::destroyed, [handle] { Windows().erase(handle); });
    return handle;
}

QWidget* WindowOfHandle(gdi::HWND handle) {
    const auto found = Windows().find(handle);
    return found == Windows().end() ? nullptr : found->second.data();
}

}  // namespace vantorix
