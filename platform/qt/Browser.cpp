#include "platform/Browser.h"

#include <QDesktopServices>
#include <QUrl>

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
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path)))) {
        throw std::runtime_error("\"" + path + "\" was written, but no web browser could be started for it: open it in "
                                 "one yourself.");
    }
}

BrowserOpener SetBrowserOpenerForTesting(BrowserOpener opener) {
    return std::exchange(Opener(), std::move(opener));
}

}  // namespace vantorix
