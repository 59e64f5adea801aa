#pragma once

#include <string>
#include <string_view>

namespace vantorix {

// Writes a new file beside its final path and renames it into place only once
// it is complete and on disk, so the path always holds either the whole old
// file or the whole new one. Dropped uncommitted, it removes what it wrote.
class ReplacementFile {
public:
    // Creates the temporary file in the target's folder; throws FileError.
    explicit ReplacementFile(std::string path);
    ~ReplacementFile();

    ReplacementFile(const ReplacementFile&) = delete;
    ReplacementFile& operator=(const ReplacementFile&) = delete;

    const std::string& Path() const noexcept { return path_; }
    const std::string& TempPath() const noexcept { return tempPath_; }

    // Appends bytes to the temporary file; throws FileError.
    void Write(std::string_view bytes);

    // Flushes the file to disk and renames it over the final path; throws FileError.
    void Commit();

private:
    void Discard() noexcept;

    std::string path_;
    std::string tempPath_;
    int fd_ = -1;
    bool committed_ = false;
};

}  // namespace vantorix
