// Numbers as the grid shows them and as the user types them.
#pragma once

#include <QChar>
#include <QString>
#include <QStringView>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace zebedit {

// Room that FormatInteger and FormatFloat need at Out.
inline constexpr size_t MaxNumberTextLength = 32;

// Value as a signed decimal number; the number of characters written to Out.
size_t FormatInteger(int32_t Value, char16_t *Out);

// Value in general format with 15 significant digits and no trailing zeros:
// fixed notation for magnitudes from 0.0001 up to, not including, 10^15,
// otherwise the digits with the separator after the first, "E", "-" for a
// negative exponent and the exponent without leading zeros. Zero of either
// sign is "0"; the non-numbers are "NAN", "INF" and "-INF". The number of
// characters written to Out.
size_t FormatFloat(float Value, char16_t DecimalSeparator, char16_t *Out);
QString FloatToText(float Value, QChar DecimalSeparator);

// The user's decimal separator (from the system locale).
QChar UserDecimalSeparator();

// A typed 32-bit integer: leading blanks, an optional sign, then decimal
// digits, or hex digits after "$", "x" or "0x" (x in either case); nothing
// may follow. Hex digits give a 32-bit pattern (so "$FFFFFFFF" is -1);
// decimal numbers must lie in the signed 32-bit range. None when the text is
// not such a number.
std::optional<int32_t> ParseInteger(QStringView Text);

// The number of digits of Value in upper-case hex with at least two digits;
// negative values count their 32-bit two's complement (always 8).
int HexDigitCount(int32_t Value);

// A typed decimal number with the given separator, optional blanks around it
// and an optional exponent, rounded to single precision. None when the text
// is not such a number or lies outside the single-precision range.
std::optional<float> ParseFloat(QStringView Text, QChar DecimalSeparator);

// The number a grid cell shows (an integer or a float as FormatFloat writes
// it), for ordering a column; none for any other text.
std::optional<double> CellNumber(QStringView Text, QChar DecimalSeparator);

}  // namespace zebedit
