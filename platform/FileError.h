#pragma once

#include <stdexcept>
#include <string>

namespace vantorix {

// A file operation the system refused. The message names the file and the
// cause, so it can be shown to the user as it stands.
class FileError : public std::runtime_error {
public:
    FileError(const std::string& action, std::string path, int errorNumber);

    const std::string& Path() const noexcept { return path_; }
    int ErrorNumber() const noexcept { return errorNumber_; }

private:
    std::string path_;
    int errorNumber_;
};

}  // namespace vantorix
