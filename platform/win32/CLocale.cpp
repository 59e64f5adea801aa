#include "platform/CLocale.h"

#include <cerrno>
#include <cstdlib>
#include <locale.h>

namespace vantorix {

double CLocaleStringToDouble(const std::string& text, bool& outOfRange) {
    static const _locale_t cLocale = ::_create_locale(LC_ALL, "C");
    errno = 0;
    const double value = ::_strtod_l(text.c_str(), nullptr, cLocale);
    outOfRange = errno == ERANGE;
    return value;
}

}  // namespace vantorix
