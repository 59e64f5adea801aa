#pragma once

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

namespace vantorix::testing {

// A fresh folder for one test, removed with everything in it afterwards.
class TempFolder {
public:
    TempFolder() {
        std::random_device random;
        for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
            const auto candidate = std::filesystem::temp_directory_path() / ("vantorix-test-" + std::to_string(random()));
            std::error_code error;
            if (std::filesystem::create_directory(candidate, error)) path_ = candidate.string();
        }
        if (path_.empty()) throw std::runtime_error("cannot make a temporary folder");
    }
    ~TempFolder() {
        // Read-only files and folders a test left go too.
        std::error_code ignored;
        for (auto entry = std::filesystem::recursive_directory_iterator(path_, ignored);
             entry != std::filesystem::recursive_directory_iterator(); entry.increment(ignored)) {
            std::filesystem::permissions(entry->path(), std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::add | std::filesystem::perm_options::nofollow,
                                         ignored);
        }
        std::filesystem::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // The folder's path, without a trailing separator.
    const std::string& Path() const { return path_; }
    // A path inside it; "/" in the name separates folders, as the system does.
    std::string operator/(std::string name) const {
        std::replace(name.begin(), name.end(), '/', Separator);
        return path_ + Separator + name;
    }

#ifdef _WIN32
    static constexpr char Separator = '\\';
#else
    static constexpr char Separator = '/';
#endif

private:
    std::string path_;
};

// A path from the tests' UTF-8, as the standard library takes it.
inline std::filesystem::path U8(const std::string& utf8) { return std::filesystem::path(std::u8string(utf8.begin(), utf8.end())); }

// A path written with "/" in the system's own separators.
inline std::string Native(std::string path) {
    std::replace(path.begin(), path.end(), '/', TempFolder::Separator);
    return path;
}

inline std::string ReadFileBytes(const std::string& path) {
    std::ifstream in(U8(path), std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteFileBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(U8(path), std::ios::binary | std::ios::trunc);
    out << bytes;
    if (!out.flush()) throw std::runtime_error("cannot write " + path);
}

// The names in a folder, sorted, one per line: what a test expects to find there.
inline std::string FolderListing(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(U8(folder))) {
        const std::u8string name = entry.path().filename().u8string();
        names.emplace_back(name.begin(), name.end());
    }
    std::sort(names.begin(), names.end());
    std::string listing;
    for (const auto& name : names) listing += name + "\n";
    return listing;
}

}  // namespace vantorix::testing
