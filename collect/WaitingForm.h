#pragma once

#include "job/SkyboxJob.h"
#include "platform/FormDesign.h"

#include <functional>
#include <string>

namespace vantorix {

// The waiting window as designed.
design::Form WaitingFormDesign();

// What one tick of the waiting window's timer ends in.
enum class WaitingTick { KeepWaiting, Stopped, Finished };

// One tick: looks for the renders of the job as the settings stand now, and
// once every chosen face's render is complete finishes them and says how it
// went. A failure is shown and stops the waiting, the window left open for
// the user to read the cause, set it right and cancel.
WaitingTick LookForRenders(const std::function<SkyboxJob()>& readJob, const std::string& programFolder);

}  // namespace vantorix
