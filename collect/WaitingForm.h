#pragma once

#include "platform/FormDesign.h"

namespace vantorix {

// The waiting window as designed.
design::Form WaitingFormDesign();

}  // namespace vantorix
