// The "$"-hex form of 8-bit texts: the grid shows a string that holds a
// control character this way, and the user types any byte of a string cell
// this way.
#pragma once

#include <QStringView>
#include <string>
#include <string_view>

namespace zebedit {

// "$" followed by two upper-case hex digits for every byte of Text when any
// byte is below 32; Text unchanged otherwise.
std::string StrToHex(std::string_view Text);

// True when some byte of Text is below 32, so that the grid shows it in the
// "$"-hex form.
bool HasControlCharacter(std::string_view Text);

// Decodes a cell text that begins with "$": the characters after it, taken in
// pairs, are the bytes of the result. Empty when the number of digits is odd
// or a pair is not two hex digits (either case).
std::string HexToStr(QStringView Text);

}  // namespace zebedit
