#pragma once

#include <sys/stat.h>

#include <cstdlib>
#include <string>

namespace vantorix::testing {

// A FUSE mirror of a folder (bindfs), as a share or sshfs shows one: the
// same files, with their inode numbers, under a device number of its own.
// Needs root, /dev/fuse and bindfs; why not, where it cannot be had.
class Mirror {
public:
    Mirror(const std::string& folder, std::string at) : at_(std::move(at)) {
        struct stat fuse {};
        if (::stat("/dev/fuse", &fuse) != 0) {
            whyNot_ = "there is no /dev/fuse here";
        } else if (::mkdir(at_.c_str(), 0755) != 0 ||
                   std::system(("bindfs '" + folder + "' '" + at_ + "' 2>/dev/null").c_str()) != 0) {
            whyNot_ = "bindfs cannot mount a mirror here (the set-up installs it)";
        }
    }
    ~Mirror() {
        if (whyNot_.empty()) std::system(("fusermount -u '" + at_ + "'").c_str());
    }
    Mirror(const Mirror&) = delete;
    Mirror& operator=(const Mirror&) = delete;
    const std::string& WhyNot() const { return whyNot_; }

private:
    std::string at_;
    std::string whyNot_;
};

}  // namespace vantorix::testing
