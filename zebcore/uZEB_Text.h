// The conversions between field values and text: text to integer, text to
// float with the user locale's decimal separator, and the three-digit general
// form in which float fields are shown.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace zeb {

// Leading spaces, an optional sign, then decimal digits or hexadecimal digits
// after "$", "x" or "0x". Stops at the first character that does not fit, and
// before the value would leave the signed 64-bit range. No digits give 0.
int64_t TextToInteger(std::string_view Text);

// The whole text must be a decimal number with DecimalSeparator: optional
// spaces around it, sign, digits with at most one separator, an optional
// exponent. Anything else gives 0.0. The value is rounded to single
// precision; beyond the float range it becomes an infinity or zero.
float TextToFloat(std::string_view Text, char DecimalSeparator);

// The general form with three significant digits: "NAN", "INF", "-INF", "0";
// fixed notation for decimal exponents -3 to 3, otherwise "1.23E003" style.
std::string FormatFloatGeneral3(float Value, char DecimalSeparator);

}  // namespace zeb
