#include "platform/FileError.h"

#include <cstring>

namespace vantorix {

FileError::FileError(const std::string& action, std::string path, int errorNumber)
    : std::runtime_error("Cannot " + action + " \"" + path + "\": " + std::strerror(errorNumber) + "."),
      path_(std::move(path)),
      errorNumber_(errorNumber) {}

}  // namespace vantorix
