#pragma once

#include <cstddef>

namespace vantorix {

// Memory for a picture: a block of 2 MiB or more is aligned to and advised
// into the system's 2 MiB pages where it has them, so that filling a panorama
// of hundreds of megabytes takes hundreds of page faults instead of hundreds
// of thousands; a smaller one is ordinary memory. Null when there is none.
void* AllocatePictureMemory(std::size_t bytes);
void FreePictureMemory(void* memory, std::size_t bytes) noexcept;

}  // namespace vantorix
