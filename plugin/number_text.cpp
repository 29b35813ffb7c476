// Locale-free reading and writing of the request's numbers.
#include "plugin/number_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

constexpr int kDefaultPrecision = 6;  // printf's, for a negative precision
constexpr int kExponentFormPrecision = 14;

bool isSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

const char* skipSpace(const char* p) {
    while (isSpace(*p)) ++p;
    return p;
}

const char* skipDigits(const char* p) {
    while (isDigit(*p)) ++p;
    return p;
}

// Reads an optional sign at *p; true for "-".
bool readSign(const char*& p) {
    if (*p != '+' && *p != '-') return false;
    return *p++ == '-';
}

// Ends the text that was written into `area` up to `end`.
std::string_view finish(NumberText& area, const char* end) {
    const auto length = static_cast<std::size_t>(end - area.chars);
    area.chars[length] = '\0';
    return std::string_view(area.chars, length);
}

std::string_view put(NumberText& area, std::string_view text) {
    std::memcpy(area.chars, text.data(), text.size());
    return finish(area, area.chars + text.size());
}

// For a decimal text that std::from_chars found out of range: whether it is
// too large (rather than too small) for a double. Counts where the first
// significant digit stands relative to the point, plus the exponent.
bool exceedsDoubleRange(const char* digits, const char* exponent) {
    long long magnitude = 0;
    const char* p = digits;
    while (*p == '0') ++p;
    if (isDigit(*p)) {
        magnitude = skipDigits(p) - p;
    } else if (*p == '.') {
        const char* firstSignificant = p + 1;
        while (*firstSignificant == '0') ++firstSignificant;
        magnitude = -(firstSignificant - (p + 1));
    }
    if (exponent != nullptr) {
        const char* e = exponent + 1;
        const bool negative = readSign(e);
        long long value = 0;
        for (; isDigit(*e); ++e) value = std::min(value * 10 + (*e - '0'), 1000000000LL);
        magnitude += negative ? -value : value;
    }
    return magnitude > 0;
}

}  // namespace

std::int32_t ParseInteger(const char* text) {
    const char* p = skipSpace(text);
    const bool negative = readSign(p);
    constexpr long long kLimit = 1LL << 31;  // enough to know the value is out of range
    long long magnitude = 0;
    for (; isDigit(*p); ++p) magnitude = std::min(magnitude * 10 + (*p - '0'), kLimit);
    const long long value = negative ? -magnitude : magnitude;
    return static_cast<std::int32_t>(std::clamp<long long>(value, std::numeric_limits<std::int32_t>::min(),
                                                           std::numeric_limits<std::int32_t>::max()));
}

double ParseDecimal(const char* text) {
    const char* p = skipSpace(text);
    const bool negative = readSign(p);
    const char* start = p;
    const char* end = skipDigits(p);
    bool hasDigits = end != start;
    if (*end == '.') {
        const char* fractionEnd = skipDigits(end + 1);
        hasDigits = hasDigits || fractionEnd != end + 1;
        end = fractionEnd;
    }
    if (!hasDigits) return 0.0;

    const char* exponent = nullptr;
    if (*end == 'e' || *end == 'E') {
        const char* e = end + 1;
        readSign(e);
        if (isDigit(*e)) {
            exponent = end;
            end = skipDigits(e);
        }
    }

    double value = 0.0;
    const auto result = std::from_chars(start, end, value, std::chars_format::general);
    if (result.ec == std::errc::result_out_of_range) {
        value = exceedsDoubleRange(start, exponent) ? std::numeric_limits<double>::infinity() : 0.0;
    }
    return negative ? -value : value;
}

std::string_view FormatDecimal(NumberText& area, double value, std::int32_t decimalPlaces) {
    if (std::isnan(value)) return put(area, "nan");
    if (std::isinf(value)) return put(area, value < 0 ? "-inf" : "inf");

    char* const first = area.chars;
    char* const last = area.chars + kNumberTextMaxLength;
    // "0." takes two characters, so more decimals than this never fit.
    constexpr int kMostDecimals = static_cast<int>(kNumberTextMaxLength) - 2;
    const int precision = decimalPlaces < 0 ? kDefaultPrecision : std::min<int>(decimalPlaces, kMostDecimals);

    auto result = std::to_chars(first, last, value, std::chars_format::fixed, precision);
    if (result.ec == std::errc()) return finish(area, result.ptr);

    // Too long: as many decimals as fit beside the integer part. Rounding to
    // fewer decimals never lengthens the integer part beyond its length with none.
    result = std::to_chars(first, last, value, std::chars_format::fixed, 0);
    if (result.ec == std::errc()) {
        const int fitting = static_cast<int>(last - result.ptr) - 1;  // one for the point
        if (fitting > 0) result = std::to_chars(first, last, value, std::chars_format::fixed, fitting);
        return finish(area, result.ptr);
    }

    result = std::to_chars(first, last, value, std::chars_format::scientific, kExponentFormPrecision);
    return finish(area, result.ptr);
}

std::string_view FormatInteger(NumberText& area, std::int32_t value) {
    const auto result = std::to_chars(area.chars, area.chars + kNumberTextMaxLength, value);
    return finish(area, result.ptr);
}
