#include "platform/ReplacementFile.h"

#include "platform/FileError.h"

#include <atomic>
#include <mutex>
#include <stdexcept>

namespace vantorix {

namespace {

std::function<void(const ReplacementFile&)> commitObserver;
std::mutex groupLock;
ReplacementGroup* activeGroup = nullptr;  // under groupLock

constexpr const char* InPlaceDamage =
    "Its folder takes no new files, so it was being written where it stands, and it may now be damaged";

}  // namespace

void ReplacementFile::Fail(int errorNumber) const {
    throw FileError("write", path_, errorNumber, WritesInPlace() ? InPlaceDamage : "");
}

std::string ReplacementFile::DamageNote() const {
    return WritesInPlace() && written_ > 0 ? std::string("\"") + path_ + "\": " + InPlaceDamage : "";
}

void ReplacementFile::ObserveCommitsForTesting(std::function<void(const ReplacementFile&)> observer) {
    commitObserver = std::move(observer);
}

const std::function<void(const ReplacementFile&)>& ReplacementFile::CommitObserver() noexcept {
    return commitObserver;
}

bool ReplacementFile::InGroup() noexcept {
    const std::lock_guard lock(groupLock);
    return activeGroup != nullptr;
}

void ReplacementFile::RenameIntoPlace() {
    {
        const std::lock_guard lock(groupLock);
        if (activeGroup != nullptr) {
            activeGroup->finished_.push_back({writePath_, path_, identity_});
            return;
        }
    }
    // The folder may have changed while the file was written.
    RefuseReplacingGuarded(path_);
    MoveIntoPlace(writePath_, path_, identity_);
}

void ReplacementFile::RemoveIfWritten(const std::string& path, const FileIdentity& written) noexcept {
    if (!NamesFile(path, written)) return;  // another program's now
    try {
        DeleteFile(path);
    } catch (const FileError&) {
        // Left behind under its hidden name; nothing of the user's is lost.
    }
}

ReplacementGroup::ReplacementGroup() {
    const std::lock_guard lock(groupLock);
    if (activeGroup != nullptr) throw std::logic_error("one replacement group at a time");
    activeGroup = this;
}

ReplacementGroup::~ReplacementGroup() {
    {
        const std::lock_guard lock(groupLock);
        activeGroup = nullptr;
    }
    for (const Finished& file : finished_) ReplacementFile::RemoveIfWritten(file.From, file.Identity);
}

void ReplacementGroup::Commit() {
    {
        const std::lock_guard lock(groupLock);
        activeGroup = nullptr;
    }
    for (const Finished& file : finished_) RefuseReplacingGuarded(file.To);
    while (!finished_.empty()) {
        const Finished& file = finished_.front();
        MoveIntoPlace(file.From, file.To, file.Identity);
        finished_.erase(finished_.begin());
    }
}

}  // namespace vantorix
