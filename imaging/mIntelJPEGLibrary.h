#pragma once

#include "imaging/cDIBSection.h"

#include <cstdint>
#include <string>

namespace vantorix {

// Writes the bitmap as a JPEG file, encoding straight from its memory. An
// existing file of that name is replaced only once the new one is complete
// on disk, and the new one takes over its access and write times and its
// permission bits.
//
// False when the encoder cannot be set up, the name can hold no file (empty,
// a folder, or ending in the separator) or the write fails (a missing folder,
// a full disk); the old file is then untouched and nothing is left behind.
// Throws when the old file may not be replaced (it is read-only, or its
// folder takes no new files: it is never written where it stands), when the
// JPEG library cannot be loaded, on overflow, and when the bitmap is a view
// of a file that was cut short while it was encoded (FileError naming it).
bool WriteJPEG(cDIBSection& cDib, const std::string& sFile, std::int32_t lQuality);

// Why the last WriteJPEG of this thread returned false, as a sentence
// fragment ("No space left on device"); empty after a success.
std::string LastJPEGWriteFailure();

}  // namespace vantorix
