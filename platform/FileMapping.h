#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace vantorix {

// A file's bytes in memory, as a private, read-only view of the file: its
// pages are the page cache's own, nothing is copied, and nothing written
// through it could reach the file (a write faults).
//
// Should another program cut the file short while it is mapped, reading a
// page past the new end would end the program with a bus error; here that
// page reads as zeros instead, and CutShort() says so from then on. Whoever
// reads the view checks it before trusting what was read.
class FileMapping {
public:
    // Maps the whole file; null when it is empty or not a regular file.
    // Throws FileError when it cannot be opened or mapped.
    static std::shared_ptr<FileMapping> Open(const std::string& path);
#ifdef _WIN32
    // A file held open (by `handle`, which it closes) for as long as a view
    // that Windows made of it lives at `data`; the view is not its to unmap.
    static std::shared_ptr<FileMapping> Holding(std::string path, std::intptr_t handle, const std::uint8_t* data,
                                                std::size_t size);
#endif
    ~FileMapping();
    FileMapping(const FileMapping&) = delete;
    FileMapping& operator=(const FileMapping&) = delete;

    const std::uint8_t* Data() const noexcept { return data_; }
    std::size_t Size() const noexcept { return size_; }
    const std::string& Path() const noexcept { return path_; }
    // The open file, for copies the kernel makes without the view: a
    // descriptor, or a Windows handle.
    std::intptr_t Handle() const noexcept { return handle_; }

    // Maps every page of the view now, in one go, for a reader about to
    // read all of it: cheaper than a fault every few pages. Advice only.
    void MapAllPages() const noexcept;

    // True once a read of the view met a page the file no longer has.
    bool CutShort() const noexcept;
    // Throws FileError naming the file when it was cut short: a read met a
    // page it no longer has, or it is shorter now than when it was mapped.
    void CheckWhole() const;

private:
    FileMapping(std::string path, std::intptr_t handle, const std::uint8_t* data, std::size_t size, int slot);

    std::string path_;
    std::intptr_t handle_;
    const std::uint8_t* data_;
    std::size_t size_;
    int slot_;  // in the table the bus-error handler reads (-1 where there is none; -2: the view is not ours)
};

}  // namespace vantorix
