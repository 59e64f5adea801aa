#include "platform/FileMapping.h"

#include "platform/FileError.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <mutex>

namespace vantorix {

namespace {

// The views alive, for the bus-error handler, which may read only what is
// safe in a signal handler: plain atomics, no locks.
struct Slot {
    std::atomic<std::uintptr_t> Start{0};
    std::atomic<std::size_t> Length{0};  // whole pages
    std::atomic<bool> CutShort{false};
};
constexpr int SlotCount = 64;
std::array<Slot, SlotCount> slots;
std::mutex slotsLock;  // taking and giving back slots, outside the handler
struct sigaction previousHandler {};
std::uintptr_t pageSize = 4096;  // the system's, read before the handler is installed

// Where a bus error goes that is not ours: the handler before ours, or the
// system's own action (which ends the program, as it would have).
void PassOn(int signal, siginfo_t* info, void* context) {
    if ((previousHandler.sa_flags & SA_SIGINFO) != 0 && previousHandler.sa_sigaction != nullptr) {
        previousHandler.sa_sigaction(signal, info, context);
    } else if (previousHandler.sa_handler == SIG_IGN) {
        return;
    } else if (previousHandler.sa_handler != SIG_DFL && previousHandler.sa_handler != nullptr) {
        previousHandler.sa_handler(signal);
    } else if (info->si_code <= 0) {
        // Sent, not a fault: it would not come again, so it is sent again to the system's action.
        ::signal(SIGBUS, SIG_DFL);
        ::raise(SIGBUS);
    } else {
        ::signal(SIGBUS, SIG_DFL);  // the fault comes again, and ends the program as it would have
    }
}

// A page of a view that the file no longer has: put zeros in its place and
// in the rest of the view, so that the read that faulted goes on, and mark
// the view cut short. A fault anywhere else, and a bus error another program
// sent, go where they went before; the handler stays for the next view.
void OnBusError(int signal, siginfo_t* info, void* context) {
    const int savedErrno = errno;
    const auto address = reinterpret_cast<std::uintptr_t>(info->si_addr);
    for (Slot& slot : slots) {
        const std::uintptr_t start = slot.Start.load();
        const std::size_t length = slot.Length.load();
        if (info->si_code <= 0 || start == 0 || address < start || address >= start + length) continue;
        const std::uintptr_t page = address & ~(pageSize - 1);
        if (::mmap(reinterpret_cast<void*>(page), start + length - page, PROT_READ,
                   MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0) == MAP_FAILED) {
            // No zeros to be had (the process's maps are used up): the fault
            // would repeat for ever, so it ends the program as it would have.
            ::sigaction(SIGBUS, &previousHandler, nullptr);
        } else {
            slot.CutShort.store(true);
        }
        errno = savedErrno;
        return;
    }
    PassOn(signal, info, context);
    errno = savedErrno;
}

void InstallHandlerOnce() {
    static std::once_flag installed;
    std::call_once(installed, [] {
        pageSize = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
        struct sigaction action {};
        action.sa_sigaction = OnBusError;
        action.sa_flags = SA_SIGINFO;
        sigemptyset(&action.sa_mask);
        ::sigaction(SIGBUS, &action, &previousHandler);
    });
}

}  // namespace

std::shared_ptr<FileMapping> FileMapping::Open(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat status {};
    if (fd < 0 || ::fstat(fd, &status) != 0) {
        const int error = errno;
        if (fd >= 0) ::close(fd);
        throw FileError("open", path, error);
    }
    if (!S_ISREG(status.st_mode) || status.st_size <= 0) {
        ::close(fd);
        return nullptr;
    }
    const auto size = static_cast<std::size_t>(status.st_size);
    InstallHandlerOnce();
    int slot = -1;
    {
        const std::lock_guard lock(slotsLock);
        for (int i = 0; i < SlotCount && slot < 0; ++i) {
            if (slots[static_cast<std::size_t>(i)].Start.load() == 0) slot = i;
        }
        if (slot < 0) {
            ::close(fd);
            return nullptr;  // too many views at once: the caller reads the file instead
        }
        void* data = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
        if (data == MAP_FAILED) {
            const int error = errno;
            ::close(fd);
            throw FileError("map", path, error);
        }
        Slot& entry = slots[static_cast<std::size_t>(slot)];
        entry.CutShort.store(false);
        entry.Length.store((size + pageSize - 1) & ~(pageSize - 1));
        entry.Start.store(reinterpret_cast<std::uintptr_t>(data));
        return std::shared_ptr<FileMapping>(
            new FileMapping(path, fd, static_cast<const std::uint8_t*>(data), size, slot));
    }
}

FileMapping::FileMapping(std::string path, std::intptr_t handle, const std::uint8_t* data, std::size_t size, int slot)
    : path_(std::move(path)), handle_(handle), data_(data), size_(size), slot_(slot) {}

FileMapping::~FileMapping() {
    const std::lock_guard lock(slotsLock);
    Slot& entry = slots[static_cast<std::size_t>(slot_)];
    entry.Start.store(0);
    entry.Length.store(0);
    ::munmap(const_cast<std::uint8_t*>(data_), size_);
    ::close(static_cast<int>(handle_));
}

void FileMapping::MapAllPages() const noexcept {
    ::madvise(const_cast<std::uint8_t*>(data_), size_, MADV_POPULATE_READ);
}

bool FileMapping::CutShort() const noexcept {
    return slots[static_cast<std::size_t>(slot_)].CutShort.load();
}

void FileMapping::CheckWhole() const {
    struct stat status {};
    if (CutShort() || (::fstat(static_cast<int>(handle_), &status) == 0 && status.st_size < static_cast<off_t>(size_))) {
        throw FileError("read", path_, "it was cut short while it was being read");
    }
}

}  // namespace vantorix
