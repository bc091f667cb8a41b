#include "uZEB_Text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace zeb {
namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

int64_t TextToInteger(std::string_view Text) {
    size_t i = 0;
    while (i < Text.size() && Text[i] == ' ') ++i;
    bool negative = false;
    if (i < Text.size() && (Text[i] == '-' || Text[i] == '+')) negative = Text[i++] == '-';

    unsigned base = 10;
    if (i < Text.size() && Text[i] == '$') {
        base = 16;
        ++i;
    } else if (i < Text.size() && (Text[i] == 'x' || Text[i] == 'X')) {
        base = 16;
        ++i;
    } else if (i + 1 < Text.size() && Text[i] == '0' && (Text[i + 1] == 'x' || Text[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }

    // The magnitude may reach 2^63 only for a negative value.
    const uint64_t limit = negative ? uint64_t{1} << 63 : static_cast<uint64_t>(std::numeric_limits<int64_t>::max());
    uint64_t magnitude = 0;
    for (; i < Text.size(); ++i) {
        int digit = base == 16 ? HexDigit(Text[i]) : (Text[i] >= '0' && Text[i] <= '9' ? Text[i] - '0' : -1);
        if (digit < 0) break;
        if (magnitude > (limit - static_cast<uint64_t>(digit)) / base) break;
        magnitude = magnitude * base + static_cast<uint64_t>(digit);
    }
    return negative ? static_cast<int64_t>(0 - magnitude) : static_cast<int64_t>(magnitude);
}

float TextToFloat(std::string_view Text, char DecimalSeparator) {
    size_t i = 0, end = Text.size();
    while (i < end && Text[i] == ' ') ++i;
    while (end > i && Text[end - 1] == ' ') --end;

    // Rewrite the number in the form from_chars reads, checking its shape.
    std::string canonical;
    if (i < end && (Text[i] == '-' || Text[i] == '+')) {
        if (Text[i] == '-') canonical += '-';
        ++i;
    }
    bool digits = false, separator = false;
    for (; i < end; ++i) {
        char c = Text[i];
        if (c >= '0' && c <= '9') {
            canonical += c;
            digits = true;
        } else if (c == DecimalSeparator && !separator) {
            canonical += '.';
            separator = true;
        } else {
            break;
        }
    }
    if (!digits) return 0.0f;
    if (i < end && (Text[i] == 'e' || Text[i] == 'E')) {
        canonical += 'e';
        ++i;
        if (i < end && (Text[i] == '-' || Text[i] == '+')) canonical += Text[i++];
        bool exponentDigits = false;
        for (; i < end && Text[i] >= '0' && Text[i] <= '9'; ++i) {
            canonical += Text[i];
            exponentDigits = true;
        }
        if (!exponentDigits) return 0.0f;
    }
    if (i != end) return 0.0f;

    double value = 0.0;
    const char *first = canonical.data(), *last = canonical.data() + canonical.size();
    auto [ptr, ec] = std::from_chars(first, last, value);
    if (ec == std::errc::result_out_of_range) {
        // Far beyond the double range: the exponent's sign tells overflow from
        // underflow.
        bool tiny = canonical.find("e-") != std::string::npos;
        bool minus = canonical[0] == '-';
        value = tiny ? (minus ? -0.0 : 0.0)
                     : (minus ? -std::numeric_limits<double>::infinity() : std::numeric_limits<double>::infinity());
    } else if (ec != std::errc() || ptr != last) {
        return 0.0f;
    }
    return static_cast<float>(value);
}

std::string FormatFloatGeneral3(float Value, char DecimalSeparator) {
    if (std::isnan(Value)) return "NAN";
    if (std::isinf(Value)) return Value > 0 ? "INF" : "-INF";
    if (Value == 0.0f) return "0";

    // An 18-digit decimal expansion of the value: |x| = 0.d1d2... * 10^E.
    char expansion[40];
    std::snprintf(expansion, sizeof expansion, "%.17e", std::fabs(static_cast<double>(Value)));
    char digits[19];
    int count = 0;
    const char *p = expansion;
    for (; *p && *p != 'e'; ++p)
        if (*p >= '0' && *p <= '9') digits[count++] = *p;
    int exponent = std::atoi(p + 1) + 1;

    // Round to three significant digits on the fourth, with carry.
    int kept = 3;
    if (digits[3] >= '5') {
        int j = 2;
        while (j >= 0 && digits[j] == '9') digits[j--] = '0';
        if (j >= 0) {
            ++digits[j];
        } else {
            digits[0] = '1';
            kept = 1;
            ++exponent;
        }
    }
    while (kept > 1 && digits[kept - 1] == '0') --kept;
    std::string d(digits, static_cast<size_t>(kept));

    std::string text = Value < 0 ? "-" : "";
    if (exponent >= -3 && exponent <= 3) {
        if (exponent >= 1) {
            std::string whole = d.substr(0, std::min<size_t>(d.size(), static_cast<size_t>(exponent)));
            whole.resize(static_cast<size_t>(exponent), '0');
            text += whole;
            if (d.size() > static_cast<size_t>(exponent)) text += DecimalSeparator + d.substr(static_cast<size_t>(exponent));
        } else {
            text += '0';
            text += DecimalSeparator;
            text += std::string(static_cast<size_t>(-exponent), '0') + d;
        }
    } else {
        text += d[0];
        if (d.size() > 1) text += DecimalSeparator + d.substr(1);
        int shown = exponent - 1;
        char tail[16];
        std::snprintf(tail, sizeof tail, "E%s%03d", shown < 0 ? "-" : "", shown < 0 ? -shown : shown);
        text += tail;
    }
    return text;
}

}  // namespace zeb
