#pragma once

#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <exception>
#include <functional>
#include <stdexcept>
#include <string>

namespace vantorix::testing {

// Permission checks pass for root, and the tests run as root: what a user
// may not do is tried in a child process that has dropped to this uid.
inline constexpr uid_t UnprivilegedUid = 65534;  // nobody

// The user the child runs as: nobody when the tests run as root, else the
// tests' own user, who is unprivileged already.
inline uid_t ChildUid() { return ::geteuid() == 0 ? UnprivilegedUid : ::geteuid(); }

// Hands a file or folder to the child's user (a no-op when that is us).
inline void GiveToChild(const std::string& path, mode_t mode) {
    if (::geteuid() == 0 && ::chown(path.c_str(), UnprivilegedUid, UnprivilegedUid) != 0) {
        throw std::runtime_error("cannot chown " + path + ": " + std::strerror(errno));
    }
    if (::chmod(path.c_str(), mode) != 0) throw std::runtime_error("cannot chmod " + path + ": " + std::strerror(errno));
}

// Runs `body` in a child process as the unprivileged user and returns what
// it returned: empty when all was as expected, else what was not. A body
// must not touch Qt; it may throw, and that is reported too.
inline std::string AsUnprivilegedUser(const std::function<std::string()>& body) {
    int channel[2];
    if (::pipe(channel) != 0) return "no pipe";
    const pid_t child = ::fork();
    if (child < 0) return "no fork";
    if (child == 0) {
        ::close(channel[0]);
        std::string result;
        if (::geteuid() == 0 && (::setgroups(0, nullptr) != 0 || ::setgid(UnprivilegedUid) != 0 ||
                                 ::setuid(UnprivilegedUid) != 0)) {
            result = std::string("cannot drop to an unprivileged user: ") + std::strerror(errno);
        } else {
            try {
                result = body();
            } catch (const std::exception& error) {
                result = std::string("threw: ") + error.what();
            }
        }
        for (std::size_t done = 0; done < result.size();) {
            const ssize_t written = ::write(channel[1], result.data() + done, result.size() - done);
            if (written <= 0) break;
            done += static_cast<std::size_t>(written);
        }
        ::_exit(0);
    }
    ::close(channel[1]);
    std::string result;
    char buffer[512];
    for (ssize_t got; (got = ::read(channel[0], buffer, sizeof buffer)) > 0;) result.append(buffer, static_cast<std::size_t>(got));
    ::close(channel[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) result += " (the child ended abnormally)";
    return result;
}

}  // namespace vantorix::testing
