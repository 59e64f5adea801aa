#include "platform/Browser.h"

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
    OpenWithTheSystemsBrowser(path);
}

BrowserOpener SetBrowserOpenerForTesting(BrowserOpener opener) {
    return std::exchange(Opener(), std::move(opener));
}

}  // namespace vantorix
