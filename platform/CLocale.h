#pragma once

#include <string>

namespace vantorix {

// Converts a decimal number ("-12.5e3") as the C library does in the C
// locale, whatever the user's decimal separator. `outOfRange` is set when
// the value overflows (infinite) or underflows (then 0 or a tiny value).
double CLocaleStringToDouble(const std::string& text, bool& outOfRange);

}  // namespace vantorix
