#include "platform/FileSystem.h"

#include <sys/stat.h>

namespace vantorix {

bool EntryExists(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;
}

bool MakeFolder(const std::string& path) {
    return ::mkdir(path.c_str(), 0777) == 0;
}

std::string FolderOf(const std::string& path) {
    const auto last = path.rfind(PathSeparator);
    return last == std::string::npos ? std::string() : path.substr(0, last + 1);
}

}  // namespace vantorix
