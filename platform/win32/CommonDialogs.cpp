#include "platform/CommonDialogs.h"

#include "platform/win32/Windows.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <vector>

namespace vantorix::dialogs {

namespace {

// A list of NUL-ended strings up to the empty one, as UTF-16.
std::wstring WideList(const char* list) {
    std::wstring wide;
    while (list != nullptr && *list != '\0') {
        const std::string_view item(list);
        wide += win32::Wide(item);
        wide += L'\0';
        list += item.size() + 1;
    }
    wide += L'\0';
    return wide;
}

std::wstring WideOrEmpty(const char* text) { return text == nullptr ? std::wstring() : win32::Wide(text); }

// Windows' own dialog, asked in UTF-16 and answered in the record's UTF-8
// buffers, counted as Windows counts.
int AskForFile(OPENFILENAME* record, bool save) {
    if (record == nullptr || record->lStructSize != OPENFILENAME_SIZE) return 0;
    const std::wstring filter = WideList(record->lpstrFilter);
    const std::wstring initialDir = WideOrEmpty(record->lpstrInitialDir), title = WideOrEmpty(record->lpstrTitle);
    const std::wstring defaultExtension = WideOrEmpty(record->lpstrDefExt);
    std::vector<wchar_t> file(std::max<DWORD>(record->nMaxFile, 1) + MAX_PATH, L'\0');
    if (record->lpstrFile != nullptr) {
        const std::wstring initial = win32::Wide(record->lpstrFile);
        std::copy(initial.begin(), initial.begin() + std::min(initial.size(), file.size() - 1), file.begin());
    }
    std::vector<wchar_t> fileTitle(std::max<DWORD>(record->nMaxFileTitle, 1) + MAX_PATH, L'\0');

    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = record->hwndOwner;
    dialog.lpstrFilter = filter.c_str();
    dialog.nFilterIndex = record->nFilterIndex;
    dialog.lpstrFile = file.data();
    dialog.nMaxFile = static_cast<DWORD>(file.size());
    dialog.lpstrFileTitle = fileTitle.data();
    dialog.nMaxFileTitle = static_cast<DWORD>(fileTitle.size());
    dialog.lpstrInitialDir = record->lpstrInitialDir != nullptr ? initialDir.c_str() : nullptr;
    dialog.lpstrTitle = record->lpstrTitle != nullptr ? title.c_str() : nullptr;
    dialog.Flags = (record->Flags & ~(OFN_ENABLEHOOK | OFN_ENABLETEMPLATE)) | OFN_EXPLORER;
    dialog.lpstrDefExt = record->lpstrDefExt != nullptr ? defaultExtension.c_str() : nullptr;
    if (!(save ? ::GetSaveFileNameW(&dialog) : ::GetOpenFileNameW(&dialog))) return 0;

    const std::string chosen = win32::Utf8(dialog.lpstrFile);
    const std::string name = win32::Utf8(dialog.lpstrFileTitle);
    CopyChosen(record->lpstrFile, record->nMaxFile, chosen);
    CopyChosen(record->lpstrFileTitle, record->nMaxFileTitle, name);
    record->nFilterIndex = dialog.nFilterIndex;
    record->Flags = dialog.Flags;
    // Where the name and its extension begin, counted in the record's bytes.
    const std::size_t nameAt = chosen.size() - name.size();
    const auto dot = chosen.rfind('.');
    record->nFileOffset = static_cast<WORD>(nameAt);
    record->nFileExtension = static_cast<WORD>(dot != std::string::npos && dot > nameAt ? dot + 1 : chosen.size());
    return 1;
}

}  // namespace

int GetSaveFileNameA(OPENFILENAME* record) { return AskForFile(record, true); }
int GetOpenFileNameA(OPENFILENAME* record) { return AskForFile(record, false); }

}  // namespace vantorix::dialogs
