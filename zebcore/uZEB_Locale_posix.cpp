// The user locale on POSIX systems: the one the environment names (LC_ALL,
// LC_NUMERIC, LANG), read with newlocale so that the host program's own
// setlocale choice does not matter.
#include <langinfo.h>
#include <locale.h>

#include "uZEB_Locale.h"

namespace zeb {

char ReadUserDecimalSeparator() {
    locale_t user = ::newlocale(LC_NUMERIC_MASK, "", static_cast<locale_t>(0));
    if (user == static_cast<locale_t>(0)) return '.';  // the environment names no usable locale
    const char *radix = ::nl_langinfo_l(RADIXCHAR, user);
    char separator = (radix && radix[0] && !radix[1]) ? radix[0] : '.';
    ::freelocale(user);
    return separator;
}

char LoadTimeDecimalSeparator() {
    static const char separator = ReadUserDecimalSeparator();
    return separator;
}

}  // namespace zeb
