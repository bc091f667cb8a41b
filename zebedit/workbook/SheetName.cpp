#include "SheetName.h"

namespace zebedit::workbook {
namespace {

constexpr char16_t Replacement = u'_';

bool IsHighSurrogate(char16_t C) { return C >= 0xD800 && C <= 0xDBFF; }
bool IsLowSurrogate(char16_t C) { return C >= 0xDC00 && C <= 0xDFFF; }

bool IsForbidden(char16_t C) {
    switch (C) {
        case u':': case u'\\': case u'/': case u'?': case u'*': case u'[': case u']':
            return true;
        default:
            return C < 0x20 || C == 0x7F;
    }
}

bool IsReservedName(std::u16string_view Name) {
    constexpr std::u16string_view reserved = u"history";
    if (Name.size() != reserved.size()) return false;
    for (size_t i = 0; i < Name.size(); ++i) {
        char16_t c = Name[i];
        if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
        if (c != reserved[i]) return false;
    }
    return true;
}

}  // namespace

std::u16string SanitiseSheetName(std::u16string_view Name) {
    std::u16string out;
    for (size_t i = 0; i < Name.size() && out.size() < MaxSheetNameLength; ++i) {
        char16_t c = Name[i];
        if (IsHighSurrogate(c) && i + 1 < Name.size() && IsLowSurrogate(Name[i + 1])) {
            if (out.size() + 2 > MaxSheetNameLength) break;  // the pair does not fit whole
            out.push_back(c);
            out.push_back(Name[++i]);
            continue;
        }
        const bool unpaired = IsHighSurrogate(c) || IsLowSurrogate(c);
        out.push_back(unpaired || IsForbidden(c) ? Replacement : c);
    }
    if (out.empty()) return u"Sheet1";
    if (out.front() == u'\'') out.front() = Replacement;
    if (out.back() == u'\'') out.back() = Replacement;
    if (IsReservedName(out)) out.push_back(Replacement);
    return out;
}

}  // namespace zebedit::workbook
