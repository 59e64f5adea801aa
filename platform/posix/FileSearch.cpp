#include "platform/FileSearch.h"

#include "platform/FileSystem.h"

#include <dirent.h>
#include <sys/stat.h>

#include <memory>

namespace vantorix {

namespace {

bool IsVisibleFile(const std::string& folder, const std::string& name) {
    if (name.empty() || name.front() == '.') return false;
    struct stat status {};
    return ::stat((folder + name).c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

}  // namespace

std::optional<std::string> FindFileByPattern(const std::string& pattern) {
    if (pattern.empty()) return std::nullopt;
    const std::string folder = FolderOf(pattern);
    const std::string named = pattern.substr(folder.size());
    const std::string last = named.empty() ? std::string(1, '*') : named;

    if (last.find_first_of("*?") == std::string::npos) {
        return IsVisibleFile(folder, last) ? std::optional(last) : std::nullopt;
    }
    const std::unique_ptr<DIR, int (*)(DIR*)> listing(::opendir(folder.empty() ? "." : folder.c_str()), ::closedir);
    if (listing == nullptr) return std::nullopt;
    while (const dirent* entry = ::readdir(listing.get())) {
        const std::string name = entry->d_name;
        if (MatchesPattern(name, last) && IsVisibleFile(folder, name)) return name;
    }
    return std::nullopt;
}

}  // namespace vantorix
