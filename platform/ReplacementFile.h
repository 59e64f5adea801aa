#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "platform/FileSystem.h"

namespace vantorix {

class FileMapping;
class ReplacementGroup;

// What a writer does when the folder takes no new files, so that no
// temporary file can be made beside the old one.
enum class InPlaceWriting {
    Refused,  // fail with the folder's reason; the old file stays as it was
    // Write a plain file the user may write, and that no other name shares,
    // where it stands, as the script and TGA writers always have: the one
    // case in which a failed write can damage the old file.
    ForAPlainFile,
};

// Writes a new file beside its final path and renames it into place only once
// it is complete and on disk, so the path always holds either the whole old
// file or the whole new one. Dropped uncommitted, it removes what it wrote.
// A read-only file, or one a GuardedFiles holds, is never replaced.
class ReplacementFile {
public:
    // Creates the temporary file in the target's folder; throws FileError.
    explicit ReplacementFile(std::string path, InPlaceWriting inPlace = InPlaceWriting::Refused);
    ~ReplacementFile();

    ReplacementFile(const ReplacementFile&) = delete;
    ReplacementFile& operator=(const ReplacementFile&) = delete;

    const std::string& Path() const noexcept { return path_; }
    // Where the bytes go until Commit: the temporary file, or the final path
    // itself when written in place. Only ever written through this object:
    // another process may make the name lead elsewhere.
    const std::string& WritePath() const noexcept { return writePath_; }
    bool WritesInPlace() const noexcept { return writePath_ == path_; }

    // Appends bytes to the file; throws FileError.
    void Write(std::string_view bytes);
    // Appends the pieces one after the other, with as few calls as the system allows.
    void Write(std::span<const std::string_view> pieces);
    // Appends `count` bytes of a mapped file from `offset` on, copied by the
    // kernel from file to file without passing through this program's memory
    // where it can. Throws FileError naming that file when it ends first.
    void CopyFrom(const FileMapping& source, std::size_t offset, std::size_t count);

    // Sets aside room for a file of `size` bytes before the first byte is
    // written, so that a full disk refuses it with an old file written in
    // place still whole. Throws FileError; where the file system cannot
    // set room aside, nothing happens.
    void Reserve(long long size);

    // A sentence for an error met once a write in place has begun: the old
    // file may now be damaged. Empty while it may not be.
    std::string DamageNote() const;

    // Starts putting what is written so far on disk without waiting for it,
    // so that a long file's flush at Commit has less left to wait for. A
    // flush that fails fails Commit.
    void StartFlush() noexcept;

    // Gives the new file, at Commit, what a rename would keep of the file at
    // `source` as it is now: its permission bits (or attributes) and times.
    // Throws FileError when the source cannot be looked at.
    void KeepAttributesOf(const std::string& source);

    // Flushes the file to disk and renames it over the final path (in place:
    // cuts the old file to the new length, then flushes); throws FileError.
    // A temporary file whose name no longer leads to it is not renamed. While
    // a ReplacementGroup lives, the rename waits for the group's Commit.
    void Commit();

    // Test seam: a function shown each file as its Commit begins (empty: none).
    static void ObserveCommitsForTesting(std::function<void(const ReplacementFile&)> observer);

private:
    friend class ReplacementGroup;
    [[noreturn]] void Fail(int errorNumber) const;
    void Discard() noexcept;
    void EndFlush() noexcept;  // waits for a flush StartFlush began
    void RenameIntoPlace();  // now, or at the group's Commit
    static bool InGroup() noexcept;
    static const std::function<void(const ReplacementFile&)>& CommitObserver() noexcept;
    // Removes a temporary file, if its name still leads to the file written.
    static void RemoveIfWritten(const std::string& path, const FileIdentity& written) noexcept;

    struct Kept;  // the system's own record of attributes and times

    std::string path_;
    std::string writePath_;
    std::intptr_t handle_ = -1;  // the system's: a descriptor, or a Windows handle
    FileIdentity identity_;  // the temporary file's, as the system knows it
    long long written_ = 0;
    bool committed_ = false;
    std::unique_ptr<Kept> kept_;
    std::thread flushing_;  // a flush running beside the writing
    std::atomic<bool> flushRunning_{false};
    std::atomic<int> flushError_{0};  // what it met, for Commit to report
};

// Several files replaced all or none: while a group lives, every
// ReplacementFile's Commit leaves its finished file beside the final name.
// The group's Commit renames them all into place; a group dropped before it
// removes them and every old file stays as it was. One group at a time.
class ReplacementGroup {
public:
    ReplacementGroup();
    ~ReplacementGroup();
    ReplacementGroup(const ReplacementGroup&) = delete;
    ReplacementGroup& operator=(const ReplacementGroup&) = delete;

    // Renames every finished file into place, in the order they were
    // written; throws FileError naming the first that cannot be (those
    // before it stand, those after it are removed).
    void Commit();

private:
    friend class ReplacementFile;
    struct Finished {
        std::string From, To;
        FileIdentity Identity;
    };
    std::vector<Finished> finished_;
};

}  // namespace vantorix
