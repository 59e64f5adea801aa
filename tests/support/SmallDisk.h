#pragma once

#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

namespace vantorix::testing {

// A 64 KiB disk of its own in `folder`, for writes that must run out of
// space; needs root. Why not, when it cannot be had.
class SmallDisk {
public:
    explicit SmallDisk(std::string folder) : folder_(std::move(folder)) {
        if (::geteuid() != 0) {
            whyNot_ = "needs root to mount a small tmpfs";
        } else if (::mkdir(folder_.c_str(), 0777) != 0 ||
                   ::mount("tmpfs", folder_.c_str(), "tmpfs", 0, "size=64k") != 0) {
            whyNot_ = std::string("cannot mount a tmpfs here: ") + std::strerror(errno);
        }
    }
    ~SmallDisk() {
        if (whyNot_.empty()) ::umount2(folder_.c_str(), MNT_DETACH);
    }
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;
    const std::string& WhyNot() const { return whyNot_; }

private:
    std::string folder_;
    std::string whyNot_;
};

}  // namespace vantorix::testing
