#pragma once

#include "export/ExportCommand.h"

#include <atomic>
#include <string>
#include <thread>

namespace vantorix::cube {

// One export on a thread of its own, so that a window keeps answering while
// it works: the window asks how far it has come and whether it has ended.
class ExportWorker {
public:
    enum class Outcome { Working, Written, Cancelled, Failed };

    explicit ExportWorker(ExportOptions options);
    // Cancels an export still working and waits for it to stop.
    ~ExportWorker();
    ExportWorker(const ExportWorker&) = delete;
    ExportWorker& operator=(const ExportWorker&) = delete;

    double Done() const noexcept { return watch_.Done(); }
    // Stops the export at its next step; every old file stays as it was.
    void Cancel() noexcept { watch_.Cancel(); }
    Outcome Result() const noexcept { return outcome_; }
    // Once ended: what was written (the command's report), or why nothing was.
    const std::string& Message() const noexcept { return message_; }

private:
    ExportWatch watch_;
    std::atomic<Outcome> outcome_{Outcome::Working};
    std::string message_;  // written by the thread before outcome_ is set
    std::thread thread_;
};

}  // namespace vantorix::cube
