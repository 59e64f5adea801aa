#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace vantorix {

// 32-bit signed size arithmetic that fails with an overflow error instead of
// wrapping. `what` names the quantity for the message.
inline std::int32_t CheckedMultiply(std::int32_t a, std::int32_t b, const std::string& what) {
    std::int32_t result = 0;
    if (__builtin_mul_overflow(a, b, &result)) throw std::overflow_error("Overflow: " + what + " does not fit in 32 bits.");
    return result;
}

inline std::int32_t CheckedAdd(std::int32_t a, std::int32_t b, const std::string& what) {
    std::int32_t result = 0;
    if (__builtin_add_overflow(a, b, &result)) throw std::overflow_error("Overflow: " + what + " does not fit in 32 bits.");
    return result;
}

}  // namespace vantorix
