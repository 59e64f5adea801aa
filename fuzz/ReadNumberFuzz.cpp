// Any text as a settings number.
#include "job/ReadNumber.h"

#include <cmath>
#include <cstdlib>
#include <stdexcept>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    try {
        const double number = vantorix::ReadNumber(text);
        if (std::isnan(number) || std::isinf(number)) std::abort();
    } catch (const std::overflow_error&) {
    }
    return 0;
}
