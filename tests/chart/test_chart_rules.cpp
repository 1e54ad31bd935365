// The chart component's axis rules, the point store and the label steps.
#include <gtest/gtest.h>
#include <random>

#include "chart/AxisRange.h"
#include "chart/AxisTicks.h"
#include "chart/SeriesStore.h"

namespace {

// A manual axis over low..high, made from the start range 0..0 without meeting a refusal.
AxisRange manual(double low, double high)
{
    AxisRange axis;
    axis.setMaximum(high - low);
    axis.pan(low);
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
    EXPECT_EQ(axis.scroll(c.offset, DataExtent{c.dataLow, c.dataHigh}, 1), c.moves ? 1 : 0);
    EXPECT_EQ(axis.minimum(), c.moves ? 101 + c.offset : 101);
    EXPECT_EQ(axis.maximum(), c.moves ? 200 + c.offset : 200);
}

INSTANTIATE_TEST_SUITE_P(Cases, AxisScroll,
                         ::testing::Values(ScrollCase{100, 0, 201, true},   // a point beyond the right end
                                           ScrollCase{100, 0, 200, false},  // the last point is in view
                                           ScrollCase{-100, 0, 150, true},  // points before the left end
                                           ScrollCase{-100, 101, 150, false},
                                           ScrollCase{0, 0, 1000, false}));  // no offset, no move

// Many steps at once land where as many single steps would: a step moves the axis when a point lies
// beyond the end it moves towards.
TEST(AxisRange, ManyStepsMoveAsFarAsSingleStepsWould)
{
    std::mt19937 random(3);
    for (int trial = 0; trial < 2000; ++trial) {
        const double size = double(1 + random() % 300);
        double low = double(random() % 5000) - 100;
        double high = low + size - 1;
        const DataExtent data{0, double(random() % 100000)};
        const double offset = trial % 2 ? size : -size;
        const qint64 times = qint64(random() % 2000);
        AxisRange axis = manual(low, high);
        qint64 moved = 0;
        for (qint64 i = 0; i < times; ++i) {
            if (offset > 0 ? data.high > high : data.low < low) {
                low += offset;
                high += offset;
                ++moved;
            }
        }
        ASSERT_EQ(axis.scroll(offset, data, times), moved);
        ASSERT_EQ(axis.minimum(), low);
        ASSERT_EQ(axis.maximum(), high);
    }
}

TEST(AxisRange, ScrollWithoutDataOrOnAnAutomaticAxis)
{
    AxisRange axis = manual(1, 10);
    EXPECT_EQ(axis.scroll(10, std::nullopt, 1), 0);
    EXPECT_EQ(axis.scroll(10, DataExtent{0, 100}, 0), 0);
    EXPECT_EQ(axis.maximum(), 10);
    AxisRange automatic;
    EXPECT_TRUE(automatic.automatic());
    EXPECT_EQ(automatic.shown(DataExtent{-3, 7}).low, -3);
    EXPECT_EQ(automatic.shown(DataExtent{-3, 7}).high, 7);
    automatic.setMaximum(5);
    EXPECT_EQ(automatic.scroll(1, DataExtent{0, 9}, 1), 1);
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
                         ::testing::Values(TicksCase{99, 7, 20, "%.0f"},        // a page of 100
                                           TicksCase{22000, 10, 5000, "%.0f"},  // the design range
                                           TicksCase{1200, 10, 200, "%.0f"},    // volts and kilowatts
                                           TicksCase{2, 10, 0.2, "%.1f"},       // power factor
                                           TicksCase{999999, 7, 200000, "%.0f"}, TicksCase{0.05, 5, 0.01, "%.2f"}));

}  // namespace
