#include "export/ExportDialogs.h"

#include "platform/CommonDialogs.h"

#include <string_view>
#include <vector>

namespace vantorix::cube {

namespace {

using namespace dialogs;

constexpr DWORD Characters = 1024;

// Asks with Windows' record; the name chosen, or none.
std::optional<std::string> Ask(bool save, HWND owner, const std::string& initial, const char* title,
                               std::string_view filter) {
    std::vector<char> file(Characters * BytesPerCharacter + 1, '\0');
    if (CharacterCount(initial) < Characters) std::copy(initial.begin(), initial.end(), file.begin());
    const std::string filters(filter);
    OPENFILENAME record;
    record.lStructSize = OPENFILENAME_SIZE;
    record.hwndOwner = owner;
    record.lpstrFilter = filters.c_str();
    record.nFilterIndex = 1;
    record.lpstrFile = file.data();
    record.nMaxFile = Characters;
    record.lpstrTitle = title;
    record.Flags = OFN_HIDEREADONLY | (save ? 0 : 0x1000 /* OFN_FILEMUSTEXIST */);
    if ((save ? GetSaveFileNameA(&record) : GetOpenFileNameA(&record)) != 1) return std::nullopt;
    return std::string(file.data());
}

}  // namespace

std::optional<std::string> AskForFaceFile(HWND owner, const std::string& initial) {
    using namespace std::string_view_literals;
    return Ask(false, owner, initial, "A Face of the Run",
               "Skybox faces (*.jpg, *.tga, *.bmp)\0*.jpg;*.tga;*.bmp\0All files\0*.*\0\0"sv);
}

std::optional<std::string> AskForEngineFiles(HWND owner, const std::string& initial) {
    using namespace std::string_view_literals;
    std::optional<std::string> chosen = Ask(true, owner, initial, "The Engine's Files", "The files' name\0*\0\0"sv);
    // A name typed with an extension: the preset adds its own.
    if (chosen) {
        const auto dot = chosen->rfind('.'), separator = chosen->find_last_of("/\\");
        if (dot != std::string::npos && (separator == std::string::npos || dot > separator)) chosen->resize(dot);
    }
    return chosen;
}

}  // namespace vantorix::cube
