#pragma once

#include <functional>
#include <string>

namespace vantorix {

// Opens a local page in the user's default web browser (the desktop's URL
// handler; on Windows, the shell's "open"). Throws std::runtime_error naming
// the page when no browser can be started.
void OpenInBrowser(const std::string& path);

// Lets tests see the pages instead of starting a browser; returns the
// opener it replaces. An empty one restores the real browser.
using BrowserOpener = std::function<void(const std::string& path)>;
BrowserOpener SetBrowserOpenerForTesting(BrowserOpener opener);

// The system's own opening, behind OpenInBrowser: Qt's on Linux, the shell's on Windows.
void OpenWithTheSystemsBrowser(const std::string& path);

}  // namespace vantorix
