#pragma once

#include <stdexcept>
#include <string>

namespace vantorix {

// A file operation that failed. The message names the file and the cause, so
// it can be shown to the user as it stands.
class FileError : public std::runtime_error {
public:
    // The system refused: the cause is the system's own text for errorNumber,
    // and then the note, a sentence of what it means for the file, if any.
    FileError(const std::string& action, std::string path, int errorNumber, const std::string& note = {});
    // The file's contents are at fault: the cause is given as a sentence fragment.
    FileError(const std::string& action, std::string path, const std::string& cause);

    const std::string& Path() const noexcept { return path_; }
    // 0 when the contents, not the system, were at fault.
    int ErrorNumber() const noexcept { return errorNumber_; }

private:
    std::string path_;
    int errorNumber_;
};

}  // namespace vantorix
