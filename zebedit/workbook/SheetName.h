// Sheet names as Excel accepts them.
#pragma once

#include <string>
#include <string_view>

namespace zebedit::workbook {

constexpr size_t MaxSheetNameLength = 31;

// Makes Name a valid sheet name: each of : \ / ? * [ ], each control
// character and each unpaired surrogate becomes '_', as does an apostrophe at
// either end; the name is cut to 31 UTF-16 code units without splitting a
// character; an empty name becomes "Sheet1" and the reserved name "History"
// (in any letter case) becomes "History_".
std::u16string SanitiseSheetName(std::u16string_view Name);

}  // namespace zebedit::workbook
