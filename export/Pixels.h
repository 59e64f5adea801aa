#pragma once

#include <cstddef>
#include <cstdint>

namespace vantorix::cube {

// `pixels` pixels of three bytes from `in` to `out` with the first and third
// byte of each swapped: red, green, blue to blue, green, red and back. `in`
// and `out` are the same or do not overlap.
void SwapRedAndBlue(const std::uint8_t* in, std::uint8_t* out, std::size_t pixels);

}  // namespace vantorix::cube
