#pragma once

#include <string_view>

namespace vantorix {

// Reads the leading number of a settings text, the way the settings have
// always been read:
//  - blanks, tabs and line feeds are skipped wherever they stand, even
//    between digits ("1 000" reads 1000);
//  - then the longest number at the start is taken: optional sign, digits,
//    optional "." and digits, optional exponent (E or e, optional sign,
//    digits); "." is the only decimal point whatever the locale, and any
//    other character ends the number ("1,5" reads 1, "100m" reads 100);
//  - a text with no digit at its start reads 0, as does the empty text.
// Texts starting with &H or &O are not taken as hexadecimal or octal: they
// follow the same rule and read 0.
// A number too large for a double throws std::overflow_error.
double ReadNumber(std::string_view text);

}  // namespace vantorix
