#include "platform/Browser.h"

#include "platform/win32/Windows.h"

#include <shellapi.h>

#include <stdexcept>

namespace vantorix {

void OpenWithTheSystemsBrowser(const std::string& path) {
    // The shell's own verb for the page's kind: the user's default browser.
    const auto result = reinterpret_cast<INT_PTR>(
        ::ShellExecuteW(nullptr, L"open", win32::Wide(path).c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    if (result == SE_ERR_NOASSOC) {
        throw std::runtime_error("\"" + path + "\" was written, but no program on this computer opens web pages: open it "
                                 "in a web browser yourself.");
    }
    if (result <= 32) {
        throw std::runtime_error("\"" + path + "\" was written, but no web browser could be started for it (Windows' "
                                 "code " + std::to_string(result) + "): open it in one yourself.");
    }
}

}  // namespace vantorix
