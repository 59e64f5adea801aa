#include "platform/PictureMemory.h"

#include <sys/mman.h>

#include <cstdlib>

namespace vantorix {

namespace {
constexpr std::size_t HugePage = std::size_t{2} << 20;
}

void* AllocatePictureMemory(std::size_t bytes) {
    if (bytes < HugePage) return std::malloc(bytes == 0 ? 1 : bytes);
    void* memory = nullptr;
    if (::posix_memalign(&memory, HugePage, (bytes + HugePage - 1) / HugePage * HugePage) != 0) return nullptr;
    ::madvise(memory, bytes, MADV_HUGEPAGE);  // advice only: without huge pages it is ordinary memory
    return memory;
}

void FreePictureMemory(void* memory, std::size_t) noexcept {
    std::free(memory);
}

}  // namespace vantorix
