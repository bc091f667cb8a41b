#include "Unit1_Numbers.h"

#include <QLocale>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace zebedit {
namespace {

bool IsDigit(QChar C) { return C >= u'0' && C <= u'9'; }

int HexDigitValue(QChar C) {
    const char16_t c = C.unicode();
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    return -1;
}

size_t CopyAscii(const char *Text, size_t Length, char16_t *Out) {
    for (size_t i = 0; i < Length; ++i) Out[i] = static_cast<char16_t>(Text[i]);
    return Length;
}

// Checks Text against [blanks][sign]digits[sep digits][(e|E)[sign]digits][blanks]
// and returns it in the C form that std::from_chars reads ('.' as separator,
// no '+' sign), or none.
std::optional<std::string> NormaliseDecimal(QStringView Text, QChar DecimalSeparator) {
    qsizetype i = 0, end = Text.size();
    while (i < end && Text[i] == u' ') ++i;
    while (end > i && Text[end - 1] == u' ') --end;
    std::string out;
    if (i < end && (Text[i] == u'+' || Text[i] == u'-')) {
        if (Text[i] == u'-') out.push_back('-');
        ++i;
    }
    int mantissaDigits = 0;
    bool separatorSeen = false;
    for (; i < end; ++i) {
        if (IsDigit(Text[i])) {
            out.push_back(static_cast<char>(Text[i].unicode()));
            ++mantissaDigits;
        } else if (Text[i] == DecimalSeparator && !separatorSeen) {
            out.push_back('.');
            separatorSeen = true;
        } else {
            break;
        }
    }
    if (mantissaDigits == 0) return std::nullopt;
    if (i < end && (Text[i] == u'e' || Text[i] == u'E')) {
        out.push_back('e');
        ++i;
        if (i < end && (Text[i] == u'+' || Text[i] == u'-')) {
            if (Text[i] == u'-') out.push_back('-');
            ++i;
        }
        int exponentDigits = 0;
        for (; i < end && IsDigit(Text[i]); ++i, ++exponentDigits) out.push_back(static_cast<char>(Text[i].unicode()));
        if (exponentDigits == 0) return std::nullopt;
    }
    if (i != end) return std::nullopt;
    return out;
}

std::optional<double> DecimalToDouble(const std::string &Normalised) {
    double value = 0;
    const char *first = Normalised.data(), *last = first + Normalised.size();
    const auto [ptr, ec] = std::from_chars(first, last, value, std::chars_format::general);
    if (ec != std::errc() || ptr != last) return std::nullopt;
    return value;
}

}  // namespace

size_t FormatInteger(int32_t Value, char16_t *Out) {
    char text[16];
    const auto result = std::to_chars(text, text + sizeof text, Value);
    return CopyAscii(text, static_cast<size_t>(result.ptr - text), Out);
}

size_t FormatFloat(float Value, char16_t DecimalSeparator, char16_t *Out) {
    if (std::isnan(Value)) return CopyAscii("NAN", 3, Out);
    if (std::isinf(Value)) return Value > 0 ? CopyAscii("INF", 3, Out) : CopyAscii("-INF", 4, Out);
    if (Value == 0) return CopyAscii("0", 1, Out);

    // "%.15g" chooses fixed notation for decimal exponents -4 to 14, which is
    // the range wanted here; only the exponent's spelling differs.
    char text[MaxNumberTextLength];
    const auto result = std::to_chars(text, text + sizeof text, static_cast<double>(Value),
                                      std::chars_format::general, 15);
    size_t n = 0;
    for (const char *p = text; p < result.ptr; ++p) {
        if (*p == '.') {
            Out[n++] = DecimalSeparator;
        } else if (*p == 'e') {
            Out[n++] = u'E';
            ++p;
            if (*p == '-') Out[n++] = u'-';
            ++p;  // past the sign
            while (p + 1 < result.ptr && *p == '0') ++p;
            for (; p < result.ptr; ++p) Out[n++] = static_cast<char16_t>(*p);
            break;
        } else {
            Out[n++] = static_cast<char16_t>(*p);
        }
    }
    return n;
}

QString FloatToText(float Value, QChar DecimalSeparator) {
    char16_t text[MaxNumberTextLength];
    const size_t n = FormatFloat(Value, DecimalSeparator.unicode(), text);
    return QString(reinterpret_cast<const QChar *>(text), static_cast<qsizetype>(n));
}

QChar UserDecimalSeparator() {
    const QString separator = QLocale().decimalPoint();
    return separator.isEmpty() ? QChar(u'.') : separator.front();
}

std::optional<int32_t> ParseInteger(QStringView Text) {
    qsizetype i = 0;
    while (i < Text.size() && Text[i] == u' ') ++i;
    bool negative = false;
    if (i < Text.size() && (Text[i] == u'+' || Text[i] == u'-')) negative = Text[i++] == u'-';

    bool hex = false;
    if (i < Text.size() && (Text[i] == u'$' || Text[i] == u'x' || Text[i] == u'X')) {
        hex = true;
        ++i;
    } else if (i + 1 < Text.size() && Text[i] == u'0' && (Text[i + 1] == u'x' || Text[i + 1] == u'X')) {
        hex = true;
        i += 2;
    }
    if (i == Text.size()) return std::nullopt;

    uint64_t magnitude = 0;
    const uint64_t limit = hex ? 0xFFFFFFFFu : (negative ? 0x80000000u : 0x7FFFFFFFu);
    for (; i < Text.size(); ++i) {
        const int digit = hex ? HexDigitValue(Text[i]) : (IsDigit(Text[i]) ? Text[i].unicode() - u'0' : -1);
        if (digit < 0) return std::nullopt;
        magnitude = magnitude * (hex ? 16 : 10) + static_cast<uint64_t>(digit);
        if (magnitude > limit) return std::nullopt;
    }
    const auto pattern = static_cast<uint32_t>(magnitude);
    return static_cast<int32_t>(negative ? 0u - pattern : pattern);
}

int HexDigitCount(int32_t Value) {
    auto pattern = static_cast<uint32_t>(Value);
    int digits = 0;
    do {
        ++digits;
        pattern >>= 4;
    } while (pattern != 0);
    return digits < 2 ? 2 : digits;
}

std::optional<float> ParseFloat(QStringView Text, QChar DecimalSeparator) {
    const auto normalised = NormaliseDecimal(Text, DecimalSeparator);
    if (!normalised) return std::nullopt;
    const auto value = DecimalToDouble(*normalised);
    if (!value || std::fabs(*value) > std::numeric_limits<float>::max()) return std::nullopt;
    return static_cast<float>(*value);
}

std::optional<double> CellNumber(QStringView Text, QChar DecimalSeparator) {
    if (Text == u"INF") return std::numeric_limits<double>::infinity();
    if (Text == u"-INF") return -std::numeric_limits<double>::infinity();
    const auto normalised = NormaliseDecimal(Text, DecimalSeparator);
    return normalised ? DecimalToDouble(*normalised) : std::nullopt;
}

}  // namespace zebedit
