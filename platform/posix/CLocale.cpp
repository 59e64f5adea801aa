#include "platform/CLocale.h"

#include <cerrno>
#include <cstdlib>
#include <locale.h>

namespace vantorix {

double CLocaleStringToDouble(const std::string& text, bool& outOfRange) {
    static const locale_t cLocale = ::newlocale(LC_ALL_MASK, "C", nullptr);
    errno = 0;
    const double value = ::strtod_l(text.c_str(), nullptr, cLocale);
    outOfRange = errno == ERANGE;
    return value;
}

}  // namespace vantorix
