#include "platform/PictureMemory.h"

#include <malloc.h>

namespace vantorix {

namespace {
constexpr std::size_t HugePage = std::size_t{2} << 20;
}

// Windows gives large pages only to programs with a privilege users seldom
// hold; aligned ordinary memory is what is asked for.
void* AllocatePictureMemory(std::size_t bytes) {
    return ::_aligned_malloc(bytes == 0 ? 1 : bytes, bytes < HugePage ? 16 : HugePage);
}

void FreePictureMemory(void* memory, std::size_t) noexcept {
    ::_aligned_free(memory);
}

}  // namespace vantorix
