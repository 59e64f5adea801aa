#include "export/Pixels.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

namespace vantorix::cube {

namespace {

#if defined(__x86_64__) || defined(__i386__)
bool HasSsse3() {
    static const bool has = __builtin_cpu_supports("ssse3");
    return has;
}

// Five pixels a step, sixteen bytes read and written: the sixteenth, the
// next pixel's first byte, is written as it was read, then again turned by
// the next step. Returns the pixels done.
[[gnu::target("ssse3")]] std::size_t SwapFives(const std::uint8_t* in, std::uint8_t* out, std::size_t pixels) {
    const __m128i turn = _mm_setr_epi8(2, 1, 0, 5, 4, 3, 8, 7, 6, 11, 10, 9, 14, 13, 12, 15);
    std::size_t done = 0;
    for (; done + 6 <= pixels; done += 5, in += 15, out += 15) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_shuffle_epi8(bytes, turn));
    }
    return done;
}
#else
bool HasSsse3() { return false; }
std::size_t SwapFives(const std::uint8_t*, std::uint8_t*, std::size_t) { return 0; }
#endif

}  // namespace

void SwapRedAndBlue(const std::uint8_t* in, std::uint8_t* out, std::size_t pixels) {
    const std::size_t done = HasSsse3() ? SwapFives(in, out, pixels) : 0;
    in += 3 * done;
    out += 3 * done;
    for (std::size_t i = done; i < pixels; ++i, in += 3, out += 3) {
        const std::uint8_t first = in[0];
        out[0] = in[2];
        out[1] = in[1];
        out[2] = first;
    }
}

}  // namespace vantorix::cube
