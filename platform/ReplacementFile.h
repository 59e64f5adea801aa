#pragma once

#include <sys/types.h>

#include <ctime>
#include <string>
#include <string_view>

namespace vantorix {

// Writes a new file beside its final path and renames it into place only once
// it is complete and on disk, so the path always holds either the whole old
// file or the whole new one. Dropped uncommitted, it removes what it wrote.
//
// A folder that refuses new files may still hold a file its user may write;
// the program has always written such a file where it stands (truncated,
// written, flushed), and so does this, but only there: it is the one case
// in which the old file does not survive a failed write.
class ReplacementFile {
public:
    // Creates the temporary file in the target's folder; throws FileError,
    // also for a read-only file at the path.
    explicit ReplacementFile(std::string path);
    ~ReplacementFile();

    ReplacementFile(const ReplacementFile&) = delete;
    ReplacementFile& operator=(const ReplacementFile&) = delete;

    const std::string& Path() const noexcept { return path_; }
    // Where the bytes go until Commit: the temporary file, or the final path
    // itself when written in place. A writer that opens files by name (the
    // JPEG library) writes here.
    const std::string& WritePath() const noexcept { return writePath_; }
    bool WritesInPlace() const noexcept { return writePath_ == path_; }

    // Appends bytes to the file; throws FileError.
    void Write(std::string_view bytes);

    // Starts putting what is written so far on disk without waiting for it,
    // so that a long file's flush at Commit has less left to wait for.
    void StartFlush() noexcept;

    // Gives the new file these permission bits and access and write times at Commit.
    void KeepModeAndTimes(mode_t mode, timespec accessed, timespec modified);

    // Flushes the file to disk and renames it over the final path; throws FileError.
    void Commit();

private:
    void Discard() noexcept;

    std::string path_;
    std::string writePath_;
    int fd_ = -1;
    bool committed_ = false;
    bool keepModeAndTimes_ = false;
    mode_t mode_ = 0;
    timespec times_[2]{};
};

}  // namespace vantorix
