#include "Unit1_Hex.h"

#include <algorithm>

namespace zebedit {
namespace {

int HexDigitValue(char16_t C) {
    if (C >= u'0' && C <= u'9') return C - u'0';
    if (C >= u'A' && C <= u'F') return C - u'A' + 10;
    if (C >= u'a' && C <= u'f') return C - u'a' + 10;
    return -1;
}

}  // namespace

bool HasControlCharacter(std::string_view Text) {
    return std::any_of(Text.begin(), Text.end(), [](char C) { return static_cast<unsigned char>(C) < 32; });
}

std::string StrToHex(std::string_view Text) {
    if (!HasControlCharacter(Text)) return std::string(Text);
    static constexpr char Digits[] = "0123456789ABCDEF";
    std::string hex;
    hex.reserve(1 + 2 * Text.size());
    hex.push_back('$');
    for (char C : Text) {
        const auto byte = static_cast<unsigned char>(C);
        hex.push_back(Digits[byte >> 4]);
        hex.push_back(Digits[byte & 0x0F]);
    }
    return hex;
}

std::string HexToStr(QStringView Text) {
    // The whole text including its "$" has an odd length exactly when the
    // digits come in pairs.
    if (Text.size() % 2 == 0) return {};
    std::string bytes;
    bytes.reserve(static_cast<size_t>(Text.size() / 2));
    for (qsizetype i = 1; i + 1 < Text.size(); i += 2) {
        const int high = HexDigitValue(Text[i].unicode());
        const int low = HexDigitValue(Text[i + 1].unicode());
        if (high < 0 || low < 0) return {};
        bytes.push_back(static_cast<char>(high * 16 + low));
    }
    return bytes;
}

}  // namespace zebedit
