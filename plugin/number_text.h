// Reading and writing the numbers of a reading request, locale-free: "." is
// the decimal point whatever C locale the host process has set.
#pragma once

#include <cstdint>
#include <string_view>

// Scratch area for one number: at most kNumberTextMaxLength characters and a NUL.
constexpr std::size_t kNumberTextMaxLength = 31;
struct NumberText {
    char chars[kNumberTextMaxLength + 1];
};

// Leading white space, an optional sign, decimal digits up to the first
// other character. Beyond the signed 32-bit range the value is the nearest
// end of that range. No digits read as 0.
std::int32_t ParseInteger(const char* text);

// Leading white space, an optional sign, digits with an optional fraction
// after ".", an optional exponent; up to the first character that does not
// fit. No "inf", "nan" or hexadecimal forms. No digits read as 0; a value too
// large for a double reads as an infinity, one too small as 0.
double ParseDecimal(const char* text);

// `value` in fixed-point notation with `decimalPlaces` digits after the
// point (6 when negative), as printf's "%.*f" writes it. A text that would
// not fit the area is never cut: it gets as many decimals as fit, or where
// even its integer part does not fit, exponent form ("1.00000000000000e+300").
// Not-a-number is "nan", infinities "inf" and "-inf". Returns a view of `area`,
// which also holds the NUL.
std::string_view FormatDecimal(NumberText& area, double value, std::int32_t decimalPlaces);

// `value` in signed decimal, as printf's "%i" writes it.
std::string_view FormatInteger(NumberText& area, std::int32_t value);
