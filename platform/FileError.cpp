#include "platform/FileError.h"

#include <cstring>

namespace vantorix {

FileError::FileError(const std::string& action, std::string path, int errorNumber, const std::string& note)
    : FileError(action, std::move(path), std::strerror(errorNumber) + (note.empty() ? "" : ". " + note)) {
    errorNumber_ = errorNumber;
}

FileError::FileError(const std::string& action, std::string path, const std::string& cause)
    : std::runtime_error("Cannot " + action + " \"" + path + "\": " + cause + "."),
      path_(std::move(path)),
      errorNumber_(0) {}

}  // namespace vantorix
