// Typed texts to numbers and numbers to texts, as the handlers read the edit boxes.

#include "forms/conversions.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>

namespace tavrel::forms {
namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();

TEST(TextToNumber, Cases) {
    struct Case {
        const char* name;
        std::string text;  // UTF-8
        double value;
    };
    const Case cases[] = {
        {"empty", "", 0},
        {"letters", "abc", 0},
        {"blanks, number, letters", "  12.5abc", 12.5},
        {"full-width digits", "１２３", 123},
        {"full-width point", "３．５", 3.5},
        {"full-width minus", "－5", -5},
        {"plus", "+7", 7},
        {"e exponent", "1e3", 1000},
        {"d exponent", "1d2", 100},
        {"point first", ".5", 0.5},
        {"point last", "5.", 5},
        {"grouping comma stops", "1,000", 1},
        {"hex prefix stops at x", "0x10", 0},
        {"beyond the double range", "1e999", kInfinity},
        {"negative beyond the range", "-1e999", -kInfinity},
        {"below the double range", "1e-400", 0},
        {"subnormal", "4.9e-324", std::numeric_limits<double>::denorm_min()},
        {"sign alone", "-", 0},
        {"point alone", ".", 0},
        {"point without digits before an exponent", ".e5", 0},
        {"every white space", " \t\n\v\f\r42", 42},
        {"ideographic space", "\u3000\u3000５", 5},
        {"full-width plus and E", "＋２Ｅ２", 200},
        {"upper-case D with sign", "25D-2", 0.25},
        {"exponent marker without digits", "3e", 3},
        {"exponent sign without digits", "3e+x", 3},
        {"second point stops", "1.2.3", 1.2},
        {"leading zeros", "-000.0012", -0.0012},
        {"huge written exponent", "1e99999999999999999999", kInfinity},
        {"huge negative exponent", "1e-99999999999999999999", 0},
        {"many zeros then a digit", "0.000000000000000000000000000000000000001", 1e-39},
        // A full-width character that does not fold stops the number where it stands.
        {"full-width dollar kept", "7＄", 7},
        {"star folds, then stops", "★1", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(textToNumber(c.text), c.value);
    }
}

TEST(TextToNumber, OnlyTheFirst25SignificantDigitsCount) {
    // 2^54 + 2 lies half-way between two doubles and rounds to the even one, 2^54. The 1 in the
    // 27th significant digit would lift it to 2^54 + 4; past the 25th it plays no part.
    const char* text = "18014398509481986.0000000001";
    EXPECT_EQ(std::strtod(text, nullptr), 18014398509481988.0);
    EXPECT_EQ(textToNumber(text), 18014398509481984.0);
    // Digits dropped from the whole part still count for its magnitude.
    EXPECT_EQ(textToNumber("1234567890123456789012345678"), 1234567890123456789012345e3);
    // Leading zeros are not significant.
    EXPECT_EQ(textToNumber("0.00001234567890123456789012345678"), 1234567890123456789012345e-29);
}

TEST(TextToNumber, DropsAMultiByteCharacterCutOffAtTheEnd) {
    const struct {
        const char* name;
        std::string text;
        double value;
    } cases[] = {
        {"digits then half a full-width digit", "12\xEF\xBC", 12},
        {"full-width digits then half an ideographic space", "\xEF\xBC\x91\xEF\xBC\x92\xE3\x80", 12},
        {"only a lead byte", "\xEF", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(textToNumber(c.text), c.value);
    }
}

TEST(NumberToText, Cases) {
    EXPECT_EQ(numberToText(-42), "-42");
    EXPECT_EQ(numberToText(0), "0");
    EXPECT_EQ(numberToText(2147483647), "2147483647");
    EXPECT_EQ(numberToText(-2147483647 - 1), "-2147483648");
}

}  // namespace
}  // namespace tavrel::forms
