#pragma once

#include <cstdint>
#include <stdexcept>
#include <optional>
#include <string>

namespace vantorix {

// The size of the dialog's file and file-title buffers, the ending NUL
// included.
inline constexpr std::size_t DialogBufferSize = 260;

// An initial name the dialog's buffers cannot hold.
class DialogNameTooLong : public std::length_error {
public:
    using std::length_error::length_error;
};

// The filter list as the dialog takes it: every "|" and then every ":"
// becomes a NUL, and two NULs end the list. "Images|*.bmp" lists one file
// type; a description without a pattern stands for every file.
std::string ConvertFilter(std::string filter);

// Shows the save-file dialog. Returns true when the user confirmed a name;
// then FileName is the chosen path, FileTitle its name without the folder,
// and FilterIndex (1-based) and Flags are as the dialog left them. On
// cancel, all four come back empty or 0. OwnerWindow -1 means no owner;
// OverwritePrompt asks before an existing file is chosen. Hook and template
// flags are dropped. Throws DialogNameTooLong, before the dialog opens, for
// an initial FileName or FileTitle of more than 260 characters.
bool ShowSaveDialog(std::string& FileName, std::string& FileTitle, bool& OverwritePrompt, std::string& Filter,
                    std::int32_t& FilterIndex, std::string& InitDir, std::string& Title, std::string& DefExt,
                    std::int32_t& OwnerWindow, std::int32_t& Flags);

// The save dialog as Browse opens it for the output prefix, over the owner
// window: the name the user confirmed, or none.
std::optional<std::string> AskForOutputPrefix(std::int32_t ownerWindow);

}  // namespace vantorix
