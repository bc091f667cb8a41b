// The user locale on Windows: the decimal separator of the user's regional
// settings, whatever the host program's C runtime locale is.
#include <windows.h>

#include "uZEB_Locale.h"

namespace zeb {

char ReadUserDecimalSeparator() {
    wchar_t separator[8] = {};
    if (::GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_SDECIMAL, separator, 8) != 2) return '.';
    // The engine's text is 8-bit: a separator that is not a single character
    // of the ANSI code page cannot be used, and the full stop stands in for it.
    const wchar_t wide = separator[0];
    if (wide < 0x80) return static_cast<char>(wide);
    const bool utf8 = ::GetACP() == CP_UTF8;  // takes no best-fit flag
    char narrow[4] = {};
    BOOL lossy = FALSE;
    int n = ::WideCharToMultiByte(CP_ACP, utf8 ? 0 : WC_NO_BEST_FIT_CHARS, &wide, 1, narrow, sizeof narrow, nullptr,
                                  utf8 ? nullptr : &lossy);
    return (n == 1 && !lossy) ? narrow[0] : '.';
}

char LoadTimeDecimalSeparator() {
    static const char separator = ReadUserDecimalSeparator();
    return separator;
}

}  // namespace zeb
