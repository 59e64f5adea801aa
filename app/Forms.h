#pragma once

#include "job/SkyboxJob.h"
#include "platform/FormDesign.h"

namespace vantorix {

// The settings window as designed, its controls holding the job's settings.
design::Form MainFormDesign(const SkyboxJob& defaults);

// The About box as designed.
design::Form AboutFormDesign();

}  // namespace vantorix
