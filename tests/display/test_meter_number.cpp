// Number texts: status digits, the value text conversions with either decimal separator, range texts and
// the scale profiles.
#include <gtest/gtest.h>

#include "display/MeterNumber.h"
#include "display/RangeTable.h"
#include "display/ScaleProfile.h"

namespace {

TEST(HexDigitValue, UpperCaseHexOnly)
{
    const std::pair<char, std::optional<int>> cases[] = {{'0', 0},
                                                         {'9', 9},
                                                         {'A', 10},
                                                         {'B', 11},
                                                         {'F', 15},
                                                         {'a', std::nullopt},
                                                         {'f', std::nullopt},
                                                         {'G', std::nullopt},
                                                         {' ', std::nullopt},
                                                         {'-', std::nullopt},
                                                         {'\0', std::nullopt}};
    for (const auto& [digit, value] : cases)
        EXPECT_EQ(HexDigitValue(digit), value) << int(digit);
}

struct Conversion {
    const char* text;
    const char* sep;
    std::optional<int> whole;
};

TEST(ValueToInt, IntegerPartTowardZeroWithTheSeparatorOfTheRun)
{
    const Conversion cases[] = {{"-12.9", ".", -12},
                                {"0.600", ".", 0},
                                {"-0.600", ".", 0},
                                {"0600", ".", 600},
                                {"1300", ".", 1300},
                                {"-12,9", ",", -12},
                                {"230,1", ",", 230},
                                {"230.1", ",", std::nullopt},
                                {"230,1", ".", std::nullopt},
                                {"12A4", ".", std::nullopt},
                                {"1E03", ".", std::nullopt},
                                {"", ".", std::nullopt},
                                {"-", ".", std::nullopt},
                                {"OL", ".", std::nullopt},
                                {"0@.", ".", std::nullopt},
                                {"1.2.3", ".", std::nullopt},
                                {".5", ".", std::nullopt},
                                {"99999999999", ".", std::nullopt},
                                {"2147483647", ".", 2147483647}};
    for (const Conversion& c : cases)
        EXPECT_EQ(ValueToInt(c.text, c.sep), c.whole) << c.text << " with " << c.sep;
}

TEST(ValueToInt, TextToValueAgreesWithTheSeparator)
{
    EXPECT_EQ(textToValue("-0,850", ","), -0.85);
    EXPECT_EQ(textToValue("012.5", "."), 12.5);
    EXPECT_EQ(textToValue("012.5", ","), std::nullopt);
}

TEST(ProductToInt, RoundsToFifteenDigitsBeforeTakingTheIntegerPart)
{
    EXPECT_EQ(productToInt(1.005 * 1000), 1005);  // 1004.9999999999999 in binary
    EXPECT_EQ(productToInt(0.29 * 1000), 290);
    EXPECT_EQ(productToInt(-12.5 * 8), -100);
    EXPECT_EQ(productToInt(1300 * 0.3), 390);
    EXPECT_EQ(productToInt(0.9999999999999999), 1);  // fifteen digits read it as 1
    EXPECT_EQ(productToInt(0.99), 0);
    EXPECT_EQ(productToInt(1e300), std::nullopt);
}

TEST(DecimalValue, DigitsOnly)
{
    EXPECT_EQ(decimalValue("99"), 99);
    EXPECT_EQ(decimalValue("07"), 7);
    EXPECT_EQ(decimalValue("0A"), std::nullopt);
    EXPECT_EQ(decimalValue(""), std::nullopt);
    EXPECT_EQ(decimalValue("-5"), std::nullopt);
}

struct RangeCase {
    int function;
    char v, i;
    const char *vText, *iText;
    bool ok;
};

TEST(Range, TablesByFunction)
{
    const RangeCase cases[] = {{0, '0', '9', "15.0V", "-", true},       {0, '3', '0', "600.0V", "-", true},
                               {0, '4', '0', "old V", "old I", true},   {1, '9', '1', "-", "100.0A", true},
                               {1, '0', '3', "-", "1000A", true},       {1, '0', '4', "old V", "old I", true},
                               {2, '1', '2', "100.0V", "400.0A", true}, {5, '2', '7', "300.0V", "old I", true},
                               {4, '8', '0', "old V", "40.0A", true},   {0, 'A', '0', "old V", "old I", false},
                               {3, '0', 'B', "old V", "old I", false},  {6, '0', '0', "old V", "old I", true}};
    for (const RangeCase& c : cases) {
        Reading r;
        r.VRangeText = "old V";
        r.IRangeText = "old I";
        EXPECT_EQ(range(c.function, c.v, c.i, r), c.ok) << c.function << c.v << c.i;
        EXPECT_EQ(r.VRangeText, c.vText) << c.function << c.v << c.i;
        EXPECT_EQ(r.IRangeText, c.iText) << c.function << c.v << c.i;
    }
}

TEST(ScaleProfile, StartUpValuesAndTheFourProfiles)
{
    ScaleProfile p;
    EXPECT_EQ(p.ScaleDivisions, "6");
    EXPECT_EQ(p.BarMax, 60);
    struct Expected {
        QByteArray divisions;
        int full, zero, bar, step;
        double chartMax;
    };
    const Expected profiles[] = {{"6", 600, 600, 600, 120, 600},
                                 {"10", 1000, 1000, 1000, 200, 1000},
                                 {"4", 400, 400, 400, 80, 1300},
                                 {"7", 1000, 1000, 1000, 200, 1}};
    for (int n = 0; n < 4; ++n) {
        p.SetFullScale(n);
        const Expected& e = profiles[n];
        EXPECT_EQ(p.ScaleDivisions, e.divisions);
        EXPECT_EQ(p.FullScale, e.full);
        EXPECT_EQ(p.DialZero, e.zero);
        EXPECT_EQ(p.BarMax, e.bar);
        EXPECT_EQ(p.DialStep, e.step);
        EXPECT_EQ(ScaleProfile::chartMaximum(n), e.chartMax);
        EXPECT_EQ(ScaleProfile::chartMinimum(n), -e.chartMax);
    }
    p.SetFullScale(4);
    p.SetFullScale(-1);
    EXPECT_EQ(p.ScaleDivisions, "7");  // an unknown profile changes nothing
}

TEST(ScaleProfile, ProfileOfEachUnit)
{
    const std::pair<QByteArray, std::optional<int>> units[] = {{"V", 0},
                                                               {"KW", 0},
                                                               {"KVA", 0},
                                                               {"A", 1},
                                                               {"KWh", 1},
                                                               {"\xA1\xE6", 2},
                                                               {"PF", 3},
                                                               {"", std::nullopt},
                                                               {"kw", std::nullopt},
                                                               {"\xE2\x84\x83", std::nullopt}};
    for (const auto& [unit, profile] : units)
        EXPECT_EQ(ScaleProfile::profileForUnit(unit), profile) << unit.toHex().toStdString();
}

}  // namespace
