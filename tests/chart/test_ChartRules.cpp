// The chart component's axis rules, the point store and the label steps.
#include <gtest/gtest.h>

#include "chart/AxisRange.h"
#include "chart/AxisTicks.h"
#include "chart/SeriesStore.h"

namespace {

AxisRange manual(double low, double high)
{
    AxisRange axis;
    axis.setAutomatic(false);
    axis.setMaximum(high);
    axis.setMinimum(low);
    return axis;
}

TEST(AxisRange, RefusesToTurnInsideOut)
{
    AxisRange axis = manual(1, 100);
    EXPECT_FALSE(axis.setMinimum(101));
    EXPECT_FALSE(axis.setMaximum(0));
    EXPECT_EQ(axis.minimum(), 1);
    EXPECT_EQ(axis.maximum(), 100);
    EXPECT_TRUE(axis.setMinimum(100));  // a single value is still a range
    EXPECT_TRUE(axis.setMaximum(100));
}

struct ScrollCase {
    double offset;
    double dataLow, dataHigh;
    bool moves;
};

class AxisScroll : public ::testing::TestWithParam<ScrollCase> {};

TEST_P(AxisScroll, MovesOnlyTowardsDataOutOfSight)
{
    const ScrollCase c = GetParam();
    AxisRange axis = manual(101, 200);
    EXPECT_EQ(axis.scroll(c.offset, DataExtent{c.dataLow, c.dataHigh}), c.moves);
    EXPECT_EQ(axis.minimum(), c.moves ? 101 + c.offset : 101);
    EXPECT_EQ(axis.maximum(), c.moves ? 200 + c.offset : 200);
}

INSTANTIATE_TEST_SUITE_P(Cases, AxisScroll,
                         ::testing::Values(ScrollCase{100, 0, 201, true},    // a point beyond the right end
                                           ScrollCase{100, 0, 200, false},   // the last point is in view
                                           ScrollCase{-100, 0, 150, true},   // points before the left end
                                           ScrollCase{-100, 101, 150, false},
                                           ScrollCase{0, 0, 1000, false}));  // no offset, no move

TEST(AxisRange, ScrollWithoutDataOrOnAnAutomaticAxis)
{
    AxisRange axis = manual(1, 10);
    EXPECT_FALSE(axis.scroll(10, std::nullopt));
    AxisRange automatic;
    EXPECT_TRUE(automatic.automatic());
    EXPECT_EQ(automatic.shown(DataExtent{-3, 7}).low, -3);
    EXPECT_EQ(automatic.shown(DataExtent{-3, 7}).high, 7);
    automatic.setMaximum(5);
    EXPECT_TRUE(automatic.scroll(1, DataExtent{0, 9}));
    EXPECT_FALSE(automatic.automatic());  // a scroll leaves the axis manual
    EXPECT_EQ(automatic.shown(DataExtent{-3, 7}).high, 6);
}

TEST(SeriesStore, KeepsValuesAcrossBlockBoundaries)
{
    SeriesStore store;
    const qsizetype count = 3 * 65536 + 17;
    for (qsizetype k = 0; k < count; ++k)
        store.append(double(k) * 0.5, Qt::blue);
    ASSERT_EQ(store.size(), count);
    for (qsizetype k : {qsizetype(0), qsizetype(65535), qsizetype(65536), qsizetype(131072), count - 1})
        EXPECT_EQ(store.value(k), double(k) * 0.5);
    EXPECT_EQ(store.valueExtent()->low, 0);
    EXPECT_EQ(store.valueExtent()->high, double(count - 1) * 0.5);
}

TEST(SeriesStore, ColoursAreKeptPerPoint)
{
    SeriesStore store;
    store.append(1, Qt::blue);
    store.append(2, Qt::blue);
    store.append(3, Qt::red);
    store.append(4, Qt::blue);
    EXPECT_EQ(store.colourAt(1), QColor(Qt::blue));
    EXPECT_EQ(store.colourAt(2), QColor(Qt::red));
    EXPECT_EQ(store.colourAt(3), QColor(Qt::blue));
    EXPECT_EQ(store.uniformColour(0, 1), QColor(Qt::blue));
    EXPECT_EQ(store.uniformColour(2, 2), QColor(Qt::red));
    EXPECT_FALSE(store.uniformColour(1, 2).has_value());
    EXPECT_FALSE(store.uniformColour(0, 3).has_value());
}

TEST(SeriesStore, ClearForgetsValuesExtentAndColours)
{
    SeriesStore store;
    store.append(-40, Qt::red);
    store.append(90, Qt::red);
    store.clear();
    EXPECT_EQ(store.size(), 0);
    EXPECT_FALSE(store.valueExtent().has_value());
    store.append(3, Qt::blue);
    EXPECT_EQ(store.value(0), 3);
    EXPECT_EQ(store.valueExtent()->low, 3);
    EXPECT_EQ(store.valueExtent()->high, 3);
    EXPECT_EQ(store.colourAt(0), QColor(Qt::blue));
}

struct TicksCase {
    double span;
    int maxLabels;
    double step;
    const char* format;
};

class Ticks : public ::testing::TestWithParam<TicksCase> {};

TEST_P(Ticks, AreRoundNumbersThatFit)
{
    const TicksCase c = GetParam();
    const AxisTicks ticks = axisTicks(c.span, c.maxLabels);
    EXPECT_DOUBLE_EQ(ticks.step, c.step);
    EXPECT_EQ(ticks.labelFormat.toStdString(), c.format);
    EXPECT_LE(c.span / ticks.step, c.maxLabels + 1e-9);
}

INSTANTIATE_TEST_SUITE_P(Cases, Ticks,
                         ::testing::Values(TicksCase{99, 7, 20, "%.0f"},         // a page of 100
                                           TicksCase{22000, 10, 5000, "%.0f"},   // the design range
                                           TicksCase{1200, 10, 200, "%.0f"},     // volts and kilowatts
                                           TicksCase{2, 10, 0.2, "%.1f"},        // power factor
                                           TicksCase{999999, 7, 200000, "%.0f"},
                                           TicksCase{0.05, 5, 0.01, "%.2f"}));

}  // namespace
