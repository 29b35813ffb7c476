// Reading and writing the request's numbers.
#include "plugin/number_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace {

TEST(ParseInteger, ReadsSignAndDigitsAndClampsTo32Bits) {
    const struct {
        const char* text;
        std::int32_t expected;
    } cases[] = {
        {"0", 0},
        {"42", 42},
        {"-7", -7},
        {"+7", 7},
        {" \t\n\v\f\r12", 12},
        {"12abc", 12},
        {"1.9", 1},
        {"abc", 0},
        {"-", 0},
        {"- 5", 0},
        {"--5", 0},
        {"2147483647", 2147483647},
        {"2147483648", 2147483647},
        {"-2147483648", -2147483647 - 1},
        {"-2147483649", -2147483647 - 1},
        {"99999999999999999999999999999999", 2147483647},
        {"-99999999999999999999999999999999", -2147483647 - 1},
        {"0000000000000000000000000000000000012", 12},
    };
    for (const auto& c : cases) EXPECT_EQ(ParseInteger(c.text), c.expected) << '"' << c.text << '"';
}

TEST(ParseDecimal, ReadsPlainDecimalNumbersOnly) {
    const double inf = std::numeric_limits<double>::infinity();
    const struct {
        const char* text;
        double expected;
    } cases[] = {
        {"2.5", 2.5},
        {"2,5", 2.0},
        {"-0.25", -0.25},
        {"+3", 3.0},
        {"  \t1.5x", 1.5},
        {".5", 0.5},
        {"5.", 5.0},
        {"-.5e1", -5.0},
        {"1e3", 1000.0},
        {"1E+2", 100.0},
        {"2.5e-1", 0.25},
        {"1e", 1.0},
        {"1e+", 1.0},
        {"1ex", 1.0},
        {".", 0.0},
        {"-", 0.0},
        {"e5", 0.0},
        {"inf", 0.0},
        {"-infinity", 0.0},
        {"nan", 0.0},
        {"0x1A", 0.0},
        {"0x1p3", 0.0},
        {"1e400", inf},
        {"-1e400", -inf},
        {"1e-400", 0.0},
        {"0.0000000000000000000000000000000000000001e-300", 0.0},
        {"123456789012345678901234567890e-20", 1234567890.1234567},
    };
    for (const auto& c : cases) EXPECT_DOUBLE_EQ(ParseDecimal(c.text), c.expected) << '"' << c.text << '"';
}

TEST(FormatDecimal, WritesFixedPointThatAlwaysFits) {
    const double inf = std::numeric_limits<double>::infinity();
    const struct {
        double value;
        std::int32_t decimalPlaces;
        const char* expected;
    } cases[] = {
        {21.4, 2, "21.40"},
        {21.4, 0, "21"},
        {21.4, -1, "21.400000"},
        {-3.14159, 3, "-3.142"},
        {0.5, 0, "0"},  // to the nearest, ties to even as printf
        {1.5, 0, "2"},
        {-0.04, 1, "-0.0"},
        {1e20, 1, "100000000000000000000.0"},
        {21.4, 28, "21.3999999999999985789145284798"},
        {21.4, 29, "21.3999999999999985789145284798"},
        {21.4, 2147483647, "21.3999999999999985789145284798"},
        {1e29, 5, "99999999999999991433150857216.0"},
        {1e30, 2, "1000000000000000019884624838656"},
        {-1e30, 2, "-1.00000000000000e+30"},
        {1e300, 2, "1.00000000000000e+300"},
        {-1.7976931348623157e308, 0, "-1.79769313486232e+308"},
        {std::nan(""), 2, "nan"},
        {-std::nan(""), 2, "nan"},
        {inf, 2, "inf"},
        {-inf, 2, "-inf"},
    };
    for (const auto& c : cases) {
        NumberText area;
        const std::string_view text = FormatDecimal(area, c.value, c.decimalPlaces);
        EXPECT_EQ(text, c.expected) << c.value << " with " << c.decimalPlaces;
        EXPECT_LE(text.size(), kNumberTextMaxLength);
        EXPECT_EQ(area.chars[text.size()], '\0');
    }
}

TEST(FormatInteger, WritesSignedDecimal) {
    NumberText area;
    EXPECT_EQ(FormatInteger(area, 0), "0");
    EXPECT_EQ(FormatInteger(area, 3), "3");
    EXPECT_EQ(FormatInteger(area, -1), "-1");
    EXPECT_EQ(FormatInteger(area, -2147483647 - 1), "-2147483648");
}

}  // namespace
