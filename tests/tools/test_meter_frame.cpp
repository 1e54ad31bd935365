// Encoding one frame: the meter's layout, digit by digit.
#include <gtest/gtest.h>

#include "tools/MeterFrame.h"

TEST(MeterFrame, EncodesEveryFieldAtItsPosition)
{
    MeterFrame frame;
    frame.function = 7;
    frame.voltageRange = '0';
    frame.currentRange = '0';
    frame.main = {"0600", 3};
    frame.secondary = {"1121", 0};
    frame.memory = 0;
    frame.status = {MeterFrame::Minus, 0, MeterFrame::Memory, MeterFrame::Sum};
    EXPECT_EQ(frame.encode(), QByteArray("7000600311210004081DA"));
}

TEST(MeterFrame, MemoryCountHasTwoDigitsAndStatusIsHex)
{
    MeterFrame frame;
    frame.function = 0;
    frame.voltageRange = '2';
    frame.currentRange = '1';
    frame.main = {"2304", 1};
    frame.secondary = {"5002", 2};
    frame.memory = 7;
    frame.status = {MeterFrame::Danger | MeterFrame::Minus, MeterFrame::Max | MeterFrame::MainOverload,
                    MeterFrame::Hold | MeterFrame::Memory, 0};
    EXPECT_EQ(frame.encode(), QByteArray("021230415002207C690DA"));
}

TEST(MeterFrame, FitsAValueOnFourDigitsWithAsManyDecimalsAsRoom)
{
    const struct {
        double value;
        int maxDecimals;
        QByteArray digits;
        int point;
    } cases[] = {
        {230.44, 1, "2304", 1},    // volts: one decimal
        {49.98, 2, "4998", 2},     // hertz
        {0.92, 3, "0920", 3},      // power factor, leading zero kept
        {12.5, 3, "1250", 2},      // only two decimals fit
        {1300.0, 1, "1300", 0},    // no decimal fits
        {-12.5, 1, "0125", 1},     // the sign is a status flag, not a digit
        {123456.0, 0, "9999", 0},  // beyond the display
        {0.0004, 3, "0000", 3},
    };
    for (const auto& c : cases) {
        const MeterFrame::Display display = MeterFrame::fit(c.value, c.maxDecimals);
        EXPECT_EQ(display.digits, c.digits) << c.value;
        EXPECT_EQ(display.point, c.point) << c.value;
    }
}
