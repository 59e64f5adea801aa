#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace vantorix {

// A regular file opened for reading, read at any offset.
class InputFile {
public:
    // Throws FileError naming the file when it cannot be opened or is not a regular file.
    explicit InputFile(const std::string& path);
    // The file opened, or none with the system's reason (an errno value) in
    // `error`: 0 when nothing or no regular file stands at the path.
    static std::optional<InputFile> TryOpen(const std::string& path, int& error);
    ~InputFile();
    InputFile(InputFile&& other) noexcept;
    InputFile& operator=(InputFile&&) = delete;
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    long long Size() const noexcept { return size_; }
    // The open file: a descriptor, or a Windows handle.
    std::intptr_t Handle() const noexcept { return handle_; }

    // Reads up to `count` bytes at `offset`; fewer only where the file ends.
    // Throws FileError naming the file when the system refuses.
    std::size_t ReadAt(long long offset, std::uint8_t* buffer, std::size_t count) const;

private:
    InputFile() = default;

    std::string path_;
    std::intptr_t handle_ = -1;  // the system's: a descriptor, or a Windows handle
    long long size_ = 0;
};

}  // namespace vantorix
