#include "job/ReadNumber.h"

#include "platform/CLocale.h"

#include <cmath>
#include <stdexcept>
#include <string>

namespace vantorix {

namespace {

bool IsSkipped(char c) { return c == ' ' || c == '\t' || c == '\n'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::size_t SkipDigits(const std::string& s, std::size_t i) {
    while (i < s.size() && IsDigit(s[i])) ++i;
    return i;
}

// The longest prefix of s that forms a number, or 0 when it holds no digit.
std::size_t NumberLength(const std::string& s) {
    std::size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    const std::size_t integerEnd = SkipDigits(s, i);
    bool anyDigit = integerEnd > i;
    i = integerEnd;
    if (i < s.size() && s[i] == '.') {
        const std::size_t fractionEnd = SkipDigits(s, i + 1);
        // A "." with no digit after it ends the number there: "1.e5" is 1.
        if (fractionEnd == i + 1) return anyDigit ? i : 0;
        anyDigit = true;
        i = fractionEnd;
    }
    if (!anyDigit) return 0;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < s.size() && (s[j] == '+' || s[j] == '-')) ++j;
        const std::size_t exponentEnd = SkipDigits(s, j);
        if (exponentEnd > j) i = exponentEnd;
    }
    return i;
}

}  // namespace

double ReadNumber(std::string_view text) {
    std::string kept;
    kept.reserve(text.size());
    for (const char c : text) {
        if (!IsSkipped(c)) kept += c;
    }
    const std::size_t length = NumberLength(kept);
    if (length == 0) return 0.0;
    kept.resize(length);

    // In the C locale, so the user's decimal separator never applies.
    bool outOfRange = false;
    const double value = CLocaleStringToDouble(kept, outOfRange);
    // Underflow quietly gives 0 or a tiny value; only overflow is an error.
    if (outOfRange && std::isinf(value)) {
        throw std::overflow_error("\"" + std::string(text) + "\" is too large a number");
    }
    return value;
}

}  // namespace vantorix
