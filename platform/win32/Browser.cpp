#include "platform/Browser.h"

#include "platform/win32/Windows.h"

#include <shellapi.h>

#include <stdexcept>
#include <utility>

namespace vantorix {

namespace {

BrowserOpener& Opener() {
    static BrowserOpener opener;
    return opener;
}

}  // namespace

void OpenInBrowser(const std::string& path) {
    if (Opener()) return Opener()(path);
    // The shell's own verb for the page's kind: the user's default browser.
    const auto result = reinterpret_cast<INT_PTR>(
        ::ShellExecuteW(nullptr, L"open", win32::Wide(path).c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    if (result <= 32) {
        throw std::runtime_error("No web browser could be started for \"" + path + "\" (Windows' code " +
                                 std::to_string(result) + "): open it in one yourself.");
    }
}

BrowserOpener SetBrowserOpenerForTesting(BrowserOpener opener) {
    return std::exchange(Opener(), std::move(opener));
}

}  // namespace vantorix
