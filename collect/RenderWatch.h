#pragma once

#include "job/SkyboxJob.h"

#include <string>

namespace vantorix {

// Whether a render is there to be finished: an ordinary file whose BMP
// header can be read and which holds every pixel byte the header asks for.
// A renderer still writing it makes it wait. A file that is no BMP at all
// counts as there, and so does one the program may not read or a render that
// is no file (a folder, a named pipe), so that finishing tells the user about
// it instead of waiting for ever.
bool RenderIsComplete(const std::string& path);

// Whether the render of every chosen face of the job is complete.
bool AllRendersPresent(const SkyboxJob& job, const std::string& programFolder);

}  // namespace vantorix
