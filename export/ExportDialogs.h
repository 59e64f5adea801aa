#pragma once

#include "platform/Gdi.h"

#include <optional>
#include <string>

// The file dialogs of the export window, over their owner window.
namespace vantorix::cube {

// An open dialog for one face of a finished run: the file chosen, or none.
std::optional<std::string> AskForFaceFile(gdi::HWND owner, const std::string& initial);

// A save dialog for where an engine's files go and their name ("env/mysky"):
// the path chosen, its extension dropped, or none.
std::optional<std::string> AskForEngineFiles(gdi::HWND owner, const std::string& initial);

}  // namespace vantorix::cube
