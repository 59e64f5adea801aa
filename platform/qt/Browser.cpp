#include "platform/Browser.h"

#include <QDesktopServices>
#include <QUrl>

#include <stdexcept>

namespace vantorix {

void OpenWithTheSystemsBrowser(const std::string& path) {
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path)))) {
        throw std::runtime_error("\"" + path + "\" was written, but no web browser could be started for it: open it in "
                                 "one yourself.");
    }
}

}  // namespace vantorix
