#pragma once

#include "platform/ReplacementFile.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace vantorix::cube {

// A picture's rows as they are asked for: `count` rows from row `first`,
// counted from the top, in red, green, blue, one after another. Returns
// where they lie: in the picture itself, or made into `room`, which it
// sizes. Asked on several threads at once, for different rows.
using RowSource = std::function<const std::uint8_t*(int first, int count, std::vector<std::uint8_t>& room)>;

// Writes an 8-bit RGB PNG into `file` (its signature, header, pixels and
// end; the caller commits it). The rows are cut into bands of about a
// quarter of a megabyte; on each of `threads` threads (0: one a core) a band's rows are
// filtered, each with the filter of PNG's five that leaves the smallest sum
// of magnitudes (libpng's choice), and deflated on their own by libdeflate;
// the pieces are joined, in order, into one zlib stream as they are written.
// `progress`, if given, is called on the calling thread with the share
// written; what it throws ends the work and comes out of this call.
void WritePng(ReplacementFile& file, int width, int height, const RowSource& rows, int threads = 0,
              const std::function<void(double done)>& progress = {});

}  // namespace vantorix::cube
