#include "app/mFileDialog.h"

#include "platform/CommonDialogs.h"
#include "platform/KernelFile.h"

#include <algorithm>
#include <vector>

namespace vantorix {

namespace {

using namespace dialogs;

// The name followed by NULs to the buffer's size. A name may fill the whole
// buffer; one NUL more, past what the dialog is told it may use, still ends it.
std::vector<char> DialogBuffer(const std::string& text, const char* what) {
    if (const std::size_t characters = CharacterCount(text); characters > DialogBufferSize) {
        throw DialogNameTooLong("The " + std::string(what) + " \"" + text + "\" has " + std::to_string(characters) +
                                " characters; the save dialog holds at most " + std::to_string(DialogBufferSize) +
                                ".");
    }
    std::vector<char> buffer(DialogBufferSize * BytesPerCharacter + 1, '\0');
    std::copy(text.begin(), text.end(), buffer.begin());
    return buffer;
}

const char* OrNull(const std::string& text) { return text.empty() ? nullptr : text.c_str(); }

}  // namespace

std::string ConvertFilter(std::string filter) {
    std::replace(filter.begin(), filter.end(), '|', '\0');
    std::replace(filter.begin(), filter.end(), ':', '\0');
    filter.append(2, '\0');
    return filter;
}

bool ShowSaveDialog(std::string& FileName, std::string& FileTitle, bool& OverwritePrompt, std::string& Filter,
                    std::int32_t& FilterIndex, std::string& InitDir, std::string& Title, std::string& DefExt,
                    std::int32_t& OwnerWindow, std::int32_t& Flags) {
    std::vector<char> file = DialogBuffer(FileName, "file name");
    std::vector<char> fileTitle = DialogBuffer(FileTitle, "file title");
    const std::string filter = ConvertFilter(Filter);

    OPENFILENAME record;
    record.lStructSize = OPENFILENAME_SIZE;
#ifdef _WIN32
    // Windows' window handles carry 32 significant bits, also in a 64-bit program.
    record.hwndOwner = OwnerWindow == -1 ? nullptr : reinterpret_cast<HWND>(static_cast<std::intptr_t>(OwnerWindow));
#else
    record.hwndOwner = OwnerWindow == -1 ? 0 : static_cast<HWND>(OwnerWindow);
#endif
    record.lpstrFilter = filter.c_str();
    record.nFilterIndex = static_cast<DWORD>(FilterIndex);
    record.lpstrFile = file.data();
    record.nMaxFile = DialogBufferSize;
    record.lpstrFileTitle = fileTitle.data();
    record.nMaxFileTitle = DialogBufferSize;
    record.lpstrInitialDir = OrNull(InitDir);
    record.lpstrTitle = OrNull(Title);
    record.lpstrDefExt = OrNull(DefExt);
    record.Flags = (static_cast<DWORD>(Flags) & ~(OFN_ENABLEHOOK | OFN_ENABLETEMPLATE)) | OFN_HIDEREADONLY |
                   (OverwritePrompt ? OFN_OVERWRITEPROMPT : 0);

    if (GetSaveFileNameA(&record) == 1) {
        FileName.assign(file.data(), static_cast<std::size_t>(kernel::lstrlenA(file.data())));
        FileTitle.assign(fileTitle.data(), static_cast<std::size_t>(kernel::lstrlenA(fileTitle.data())));
        FilterIndex = static_cast<std::int32_t>(record.nFilterIndex);
        Flags = static_cast<std::int32_t>(record.Flags);
        return true;
    }
    FileName.clear();
    FileTitle.clear();
    FilterIndex = 0;
    Flags = 0;
    return false;
}

std::optional<std::string> AskForOutputPrefix(std::int32_t ownerWindow) {
    std::string fileName, fileTitle, initDir, defExt;
    std::string filter = "Filename Prefix";
    std::string title = "Filename Prefix...";
    bool overwritePrompt = true;
    std::int32_t filterIndex = 1;
    std::int32_t flags = 0;
    if (!ShowSaveDialog(fileName, fileTitle, overwritePrompt, filter, filterIndex, initDir, title, defExt, ownerWindow,
                        flags)) {
        return std::nullopt;
    }
    return fileName;
}

}  // namespace vantorix
