// Tests of the number texts: general format, parsing in the locale's format, rounding halves to even.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <limits>
#include <ostream>
#include <string>

#include "core/NumberFormat.h"

namespace {

// Sets the separator for one test and puts the process's own back afterwards.
class NumberFormatTest : public ::testing::Test {
protected:
    void SetUp() override { Saved = DecimalSeparator; DecimalSeparator = '.'; }
    void TearDown() override { DecimalSeparator = Saved; }
    char Saved = '.';
};

struct TFormatRow {
    const char* Name;
    long double Value;
    int Digits;
    const char* Expected;
};

// Failures name the row instead of dumping its bytes.
void PrintTo(const TFormatRow& row, std::ostream* out)
{
    *out << row.Name;
}

const TFormatRow FormatRows[] = {
    {"DefaultPourSatCalibration", 0.5138901L, 7, "0.5138901"},
    {"DefaultFodTrackCalibration", 0.711L, 7, "0.711"},
    {"TrailingZerosDropped", 12.5L, 7, "12.5"},
    {"NegativeWholeNumber", -3.0L, 7, "-3"},
    {"Zero", 0.0L, 7, "0"},
    {"NegativeZero", -0.0L, 7, "0"},
    {"NegativeFraction", -0.5L, 7, "-0.5"},
    {"WholeHundreds", 100.0L, 7, "100"},
    {"SmallScientific", 0.00005L, 7, "5E-005"},
    {"SmallScientificWithFraction", 0.000025L, 7, "2.5E-005"},
    {"LargeScientific", 1.5e8L, 7, "1.5E008"},
    {"SmallestFixed", 0.0001L, 7, "0.0001"},
    {"JustBelowSmallestFixed", 0.00009999999L, 7, "9.999999E-005"},
    {"RoundsUpIntoFixed", 0.000099999999L, 7, "0.0001"},
    {"RoundedToSevenDigits", 1.23456789L, 7, "1.234568"},
    {"RoundedWholePart", 1234567.89L, 7, "1234568"},
    {"LargestFixed", 9999999.0L, 7, "9999999"},
    {"BelowBoundaryStaysFixed", 9999999.4L, 7, "9999999"},
    {"BoundaryRoundsToScientific", 9999999.5L, 7, "1E007"},
    {"TenMillion", 1e7L, 7, "1E007"},
    {"TieRoundsAwayFromZero", 1234564.5L, 7, "1234565"},
    {"NegativeTieRoundsAwayFromZero", -1234564.5L, 7, "-1234565"},
    {"CarryThroughNines", 0.99999999L, 7, "1"},
    {"ThreeDigitExponent", 1e100L, 7, "1E100"},
    {"TinyExponent", 1.23456789e-300L, 7, "1.234568E-300"},
    {"FourDigitExponent", 1e1000L, 7, "1E1000"},
    {"NegativeScientific", -2.5e-7L, 7, "-2.5E-007"},
    {"ParkingWhole", 180.0L, 15, "180"},
    {"ParkingHalf", 92.5L, 15, "92.5"},
    {"FifteenDigitsOfATenth", 0.1L, 15, "0.1"},
    {"FifteenDigitsWholeRange", 123456789012.0L, 15, "123456789012"},
};

class FormatGeneralRows : public ::testing::TestWithParam<TFormatRow> {
protected:
    void SetUp() override { Saved = DecimalSeparator; DecimalSeparator = '.'; }
    void TearDown() override { DecimalSeparator = Saved; }
    char Saved = '.';
};

TEST_P(FormatGeneralRows, Formats)
{
    const TFormatRow& row = GetParam();
    EXPECT_EQ(FormatGeneral(row.Value, row.Digits), row.Expected);
}

INSTANTIATE_TEST_SUITE_P(NumberFormat, FormatGeneralRows, ::testing::ValuesIn(FormatRows),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(NumberFormatTest, FormatUsesTheLocaleSeparator)
{
    DecimalSeparator = ',';
    EXPECT_EQ(FormatGeneral(0.5138901L), "0,5138901");
    EXPECT_EQ(FormatGeneral(1.5e8L), "1,5E008");
    EXPECT_EQ(FormatGeneral(42.0L), "42");
}

struct TRoundRow {
    const char* Name;
    long double Value;
    long double Expected;
};

void PrintTo(const TRoundRow& row, std::ostream* out)
{
    *out << row.Name;
}

const TRoundRow RoundRows[] = {
    {"HalfDownToEven", 92.5L, 92.0L},
    {"HalfUpToEven", 93.5L, 94.0L},
    {"HalfOfZero", 0.5L, 0.0L},
    {"NegativeHalfToEven", -1.5L, -2.0L},
    {"NegativeHalfToZero", -0.5L, 0.0L},
    {"JustBelowHalf", 2.4999999L, 2.0L},
    {"JustAboveHalf", 2.5000001L, 3.0L},
    {"ParkingAtTheTop", 359.5L, 360.0L},
    {"Whole", 180.0L, 180.0L},
};

class RoundHalfEvenRows : public ::testing::TestWithParam<TRoundRow> {};

TEST_P(RoundHalfEvenRows, Rounds)
{
    const TRoundRow& row = GetParam();
    EXPECT_EQ(RoundHalfEven(row.Value), row.Expected);
    EXPECT_EQ(RoundToInteger(row.Value), static_cast<std::int64_t>(row.Expected));
}

INSTANTIATE_TEST_SUITE_P(NumberFormat, RoundHalfEvenRows, ::testing::ValuesIn(RoundRows),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST(NumberFormat, RoundToIntegerSaturatesInsteadOfOverflowing)
{
    EXPECT_EQ(RoundToInteger(1e30L), std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(RoundToInteger(-1e30L), std::numeric_limits<std::int64_t>::min());
}

struct TParseRow {
    const char* Name;
    char Separator;
    const char* Text;
    bool Accepted;
    long double Expected;
};

void PrintTo(const TParseRow& row, std::ostream* out)
{
    *out << row.Name;
}

const TParseRow ParseRows[] = {
    {"Whole", '.', "92", true, 92.0L},
    {"Point", '.', "0.5138901", true, 0.5138901L},
    {"Comma", ',', "0,5138901", true, 0.5138901L},
    {"PointInCommaLocale", ',', "0.5", false, 0},
    {"CommaInPointLocale", '.', "0,5", false, 0},
    {"ThousandsSeparator", '.', "1,000.5", false, 0},
    {"TwoSeparators", '.', "1.2.3", false, 0},
    {"Minus", '.', "-12.5", true, -12.5L},
    {"Plus", '.', "+3", true, 3.0L},
    {"Exponent", '.', "1.5E8", true, 1.5e8L},
    {"LowerCaseExponent", '.', "5e-5", true, 5e-5L},
    {"SignedExponent", '.', "2E+3", true, 2000.0L},
    {"ExponentWithoutDigits", '.', "2E", false, 0},
    // Below the smallest normal number: the nearest subnormal, whatever the process's own locale.
    {"BelowTheSmallestNormal", '.', "1E-4950", true, 1e-4950L},
    {"JustBelowTheSmallestNormalWithComma", ',', "3,362103E-4932", true, 3.362103e-4932L},
    {"FarBelowIsZero", '.', "1E-5000", true, 0.0L},
    {"NoMantissaDigits", '.', ".", false, 0},
    {"LeadingSeparator", '.', ".5", true, 0.5L},
    {"TrailingSeparator", '.', "5.", true, 5.0L},
    {"Empty", '.', "", false, 0},
    {"OnlySpaces", '.', "   ", false, 0},
    {"LeadingSpaces", '.', "  7.5", true, 7.5L},
    {"TrailingSpaces", '.', "7.5  ", true, 7.5L},
    {"Tab", '.', "\t7.5", false, 0},
    {"InnerSpace", '.', "7 .5", false, 0},
    {"SignAlone", '.', "-", false, 0},
    {"Letters", '.', "abc", false, 0},
    {"TrailingLetter", '.', "12x", false, 0},
    {"Infinity", '.', "INF", false, 0},
    {"NotANumber", '.', "nan", false, 0},
    {"Hexadecimal", '.', "0x10", false, 0},
    {"Overflow", '.', "1E99999", false, 0},
};

class TryStrToFloatRows : public ::testing::TestWithParam<TParseRow> {
protected:
    void SetUp() override { Saved = DecimalSeparator; }
    void TearDown() override { DecimalSeparator = Saved; }
    char Saved = '.';
};

TEST_P(TryStrToFloatRows, Parses)
{
    const TParseRow& row = GetParam();
    DecimalSeparator = row.Separator;
    long double value = -777.0L;
    ASSERT_EQ(TryStrToFloat(row.Text, value), row.Accepted);
    if (row.Accepted) {
        EXPECT_EQ(value, row.Expected);
    } else {
        EXPECT_EQ(value, -777.0L) << "a failed conversion leaves the value alone";
    }
}

INSTANTIATE_TEST_SUITE_P(NumberFormat, TryStrToFloatRows, ::testing::ValuesIn(ParseRows),
                         [](const auto& info) { return std::string(info.param.Name); });

struct TIntegerRow {
    const char* Name;
    const char* Text;
    bool Accepted;
    int Expected;
};

void PrintTo(const TIntegerRow& row, std::ostream* out)
{
    *out << row.Name;
}

const TIntegerRow IntegerRows[] = {
    {"Plain", "12", true, 12},
    {"Negative", "-5", true, -5},
    {"Plus", "+7", true, 7},
    {"Zero", "0", true, 0},
    {"LeadingZeros", "007", true, 7},
    {"Largest", "2147483647", true, 2147483647},
    {"Smallest", "-2147483648", true, -2147483647 - 1},
    {"AboveRange", "2147483648", false, 0},
    {"BelowRange", "-2147483649", false, 0},
    {"FarAboveRange", "99999999999999999999", false, 0},
    {"Empty", "", false, 0},
    {"SignAlone", "-", false, 0},
    {"Fraction", "1.0", false, 0},
    {"LeadingSpace", " 5", false, 0},
    {"TrailingSpace", "5 ", false, 0},
    {"Hexadecimal", "0x10", false, 0},
    {"DollarHexadecimal", "$10", false, 0},
    {"Letters", "abc", false, 0},
};

class TryStrToIntRows : public ::testing::TestWithParam<TIntegerRow> {};

TEST_P(TryStrToIntRows, Parses)
{
    const TIntegerRow& row = GetParam();
    int value = -777;
    ASSERT_EQ(TryStrToInt(row.Text, value), row.Accepted);
    EXPECT_EQ(value, row.Accepted ? row.Expected : -777);
}

INSTANTIATE_TEST_SUITE_P(NumberFormat, TryStrToIntRows, ::testing::ValuesIn(IntegerRows),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST(NumberFormat, ConversionMessagesNameTheText)
{
    EXPECT_EQ(InvalidFloatMessage("1,2.3"), "'1,2.3' n'est pas une valeur en virgule flottante correcte.");
    EXPECT_EQ(InvalidIntegerMessage("abc"), "'abc' n'est pas une valeur entière correcte.");
    EXPECT_EQ(InvalidIntegerMessage(""), "'' n'est pas une valeur entière correcte.");
}

// Runs in a child process started by the tests of the system's separator; skipped otherwise.
TEST(NumberFormatChild, ReportsSeparator)
{
    const char* expected = std::getenv("TOLVANE_EXPECTED_SEPARATOR");
    if (!expected) {
        GTEST_SKIP() << "only run as a child";
    }
    EXPECT_EQ(DecimalSeparator, expected[0]);
}

}  // namespace
