// The pager's paging rules, run against the in-memory chart and against the Qt Charts chart alike.
#include <QChartView>
#include <gtest/gtest.h>
#include <stdexcept>

#include "chart/MemoryChartSurface.h"
#include "chart/QtChartSurface.h"
#include "chart/ChartPager.h"

namespace {

using Axis = ChartSurface::Axis;

// An in-memory chart set up with the screen chart's design range on the vertical axis.
struct MemoryChart {
    MemoryChart()
    {
        surface.setAxisAutomatic(Axis::Left, false);
        surface.setAxisMaximum(Axis::Left, 11000);
        surface.setAxisMinimum(Axis::Left, -11000);
    }
    MemoryChartSurface surface{2};
};

struct ScreenChart {
    ScreenChart()
    {
        view.resize(371, 320);
        view.show();
    }
    QChartView view;
    QtChartSurface surface{&view};
};

template <typename Chart>
class PagerTest : public ::testing::Test {
protected:
    void add(int count, double value = 5)
    {
        for (int i = 0; i < count; ++i)
            pager.AddValue(value);
    }
    double viewLow() const { return chart.surface.axisMinimum(Axis::Bottom); }
    double viewHigh() const { return chart.surface.axisMaximum(Axis::Bottom); }
    void expectView(double low, double high) const
    {
        EXPECT_EQ(viewLow(), low);
        EXPECT_EQ(viewHigh(), high);
    }

    Chart chart;
    ChartPager pager{chart.surface, 100};
};

using Charts = ::testing::Types<MemoryChart, ScreenChart>;
TYPED_TEST_SUITE(PagerTest, Charts);

TYPED_TEST(PagerTest, StartsOnPageOneWithTheZeroPointOutOfView)
{
    EXPECT_EQ(this->pager.currentPage(), 1);
    EXPECT_EQ(this->pager.pageCount(), 1);
    EXPECT_EQ(this->pager.pageSize(), 100);
    EXPECT_FALSE(this->pager.browsing());
    EXPECT_TRUE(this->pager.fill());
    EXPECT_EQ(this->pager.valueMax(), 0);
    EXPECT_EQ(this->pager.valueMin(), 0);
    this->expectView(1, 100);
    EXPECT_FALSE(this->chart.surface.axisAutomatic(Axis::Bottom));
    for (int series = 0; series < 2; ++series) {
        ASSERT_EQ(this->chart.surface.pointCount(series), 1);
        EXPECT_EQ(this->chart.surface.store(series).value(0), 0);
        EXPECT_TRUE(this->chart.surface.seriesShown(series));
    }
}

TYPED_TEST(PagerTest, HundredReadingsFillPageOneAndTheNextOpensPageTwo)
{
    this->add(100);
    EXPECT_EQ(this->pager.pageCount(), 1);
    this->expectView(1, 100);
    EXPECT_EQ(this->pager.AddValue(7), 2);
    EXPECT_EQ(this->pager.pageCount(), 2);
    this->expectView(101, 200);
    EXPECT_EQ(this->chart.surface.store(1).value(101), 7);
}

TYPED_TEST(PagerTest, EveryPointGoesToEverySeriesInPureBlue)
{
    this->pager.AddValue(-3.5);
    this->pager.AddValue(12);
    for (int series = 0; series < 2; ++series) {
        const SeriesStore& points = this->chart.surface.store(series);
        ASSERT_EQ(points.size(), 3);
        EXPECT_EQ(points.value(1), -3.5);
        EXPECT_EQ(points.value(2), 12);
        for (qsizetype k = 0; k < points.size(); ++k)
            EXPECT_EQ(points.colourAt(k), QColor(0, 0, 255));
    }
}

TYPED_TEST(PagerTest, BrowsingKeepsTheViewWhileReadingsArriveAndLastPageFollowsAgain)
{
    this->add(250);
    EXPECT_EQ(this->pager.PriorPage(), 2);
    EXPECT_TRUE(this->pager.browsing());
    this->add(250);
    EXPECT_EQ(this->pager.pageCount(), 5);
    EXPECT_EQ(this->pager.currentPage(), 2);
    this->expectView(101, 200);

    EXPECT_EQ(this->pager.LastPage(), 5);
    EXPECT_FALSE(this->pager.browsing());
    this->expectView(401, 500);
    EXPECT_EQ(this->pager.AddValue(1), 6);
    this->expectView(501, 600);
}

TYPED_TEST(PagerTest, NavigationOnASinglePageChangesNothing)
{
    this->add(60);
    for (auto command :
         {&ChartPager::FirstPage, &ChartPager::PriorPage, &ChartPager::NextPage, &ChartPager::LastPage}) {
        EXPECT_EQ((this->pager.*command)(), 1);
        EXPECT_FALSE(this->pager.browsing());
        this->expectView(1, 100);
    }
}

TYPED_TEST(PagerTest, CommandsAtTheEdgesStayPut)
{
    this->add(300);
    EXPECT_EQ(this->pager.NextPage(), 3);  // already on the last page
    EXPECT_EQ(this->pager.LastPage(), 3);
    this->expectView(201, 300);
    EXPECT_EQ(this->pager.FirstPage(), 1);
    EXPECT_EQ(this->pager.FirstPage(), 1);
    EXPECT_EQ(this->pager.PriorPage(), 1);
    EXPECT_TRUE(this->pager.browsing());
    this->expectView(1, 100);
}

TYPED_TEST(PagerTest, NextPageStopsBrowsingOnlyOnTheLastPage)
{
    this->add(400);
    this->pager.FirstPage();
    EXPECT_EQ(this->pager.NextPage(), 2);
    EXPECT_TRUE(this->pager.browsing());
    this->expectView(101, 200);
    EXPECT_EQ(this->pager.NextPage(), 3);
    EXPECT_TRUE(this->pager.browsing());
    EXPECT_EQ(this->pager.NextPage(), 4);
    EXPECT_FALSE(this->pager.browsing());
    this->expectView(301, 400);
}

TYPED_TEST(PagerTest, TheSameSizeAgainLeavesABrowsedViewAlone)
{
    this->add(500);
    this->pager.PriorPage();
    this->pager.PriorPage();
    this->pager.SetPageSize(100);
    EXPECT_EQ(this->pager.currentPage(), 3);
    EXPECT_TRUE(this->pager.browsing());
    this->expectView(201, 300);
}

TYPED_TEST(PagerTest, ANewSizeShowsItsLastPageAndFollowsAgain)
{
    this->add(250);
    this->pager.FirstPage();
    this->pager.SetPageSize(50);
    EXPECT_EQ(this->pager.pageCount(), 5);
    EXPECT_EQ(this->pager.currentPage(), 5);
    EXPECT_FALSE(this->pager.browsing());
    this->expectView(201, 250);
    EXPECT_EQ(this->pager.AddValue(1), 6);
    this->expectView(251, 300);

    this->pager.SetPageSize(1000);  // everything on one page
    EXPECT_EQ(this->pager.pageCount(), 1);
    this->expectView(1, 1000);
}

TYPED_TEST(PagerTest, APageSizeBelowOneIsIgnored)
{
    this->add(250);
    for (int size : {0, -1, -100}) {
        this->pager.SetPageSize(size);
        EXPECT_EQ(this->pager.pageSize(), 100);
        EXPECT_EQ(this->pager.pageCount(), 3);
        this->expectView(201, 300);
    }
}

TYPED_TEST(PagerTest, ClearWhileBrowsingReturnsToAnEmptyPageOne)
{
    this->add(650);
    this->pager.FirstPage();
    this->pager.NextPage();
    this->pager.NextPage();
    ASSERT_EQ(this->pager.currentPage(), 3);
    ASSERT_EQ(this->pager.pageCount(), 7);

    EXPECT_EQ(this->pager.Clear(), 1);
    EXPECT_EQ(this->pager.pageCount(), 1);
    EXPECT_FALSE(this->pager.browsing());
    this->expectView(1, 100);
    for (int series = 0; series < 2; ++series) {
        ASSERT_EQ(this->chart.surface.pointCount(series), 1);
        EXPECT_EQ(this->chart.surface.store(series).value(0), 0);
    }
    this->add(101);
    EXPECT_EQ(this->pager.currentPage(), 2);
    this->expectView(101, 200);
}

TYPED_TEST(PagerTest, ClearOnTheNewestPageAlsoReturnsToPageOne)
{
    this->add(350);
    EXPECT_EQ(this->pager.Clear(), 1);
    this->expectView(1, 100);
}

TYPED_TEST(PagerTest, TheVerticalRangeIsSetOnlyWhenItChanges)
{
    auto& surface = this->chart.surface;
    EXPECT_EQ(surface.axisMaximum(Axis::Left), 11000);  // the design range until the first unit
    EXPECT_EQ(surface.axisMinimum(Axis::Left), -11000);
    this->pager.SetValueMax(600);
    this->pager.SetValueMin(-600);
    EXPECT_EQ(surface.axisMaximum(Axis::Left), 600);
    EXPECT_EQ(surface.axisMinimum(Axis::Left), -600);

    // Moved behind the pager's back, the axis shows whether the same values touch it again.
    surface.setAxisMaximum(Axis::Left, 900);
    surface.setAxisMinimum(Axis::Left, -900);
    this->pager.SetValueMax(600);
    this->pager.SetValueMin(-600);
    EXPECT_EQ(surface.axisMaximum(Axis::Left), 900);
    EXPECT_EQ(surface.axisMinimum(Axis::Left), -900);

    this->pager.SetValueMax(1);
    this->pager.SetValueMin(-1);
    EXPECT_EQ(surface.axisMaximum(Axis::Left), 1);
    EXPECT_EQ(surface.axisMinimum(Axis::Left), -1);
    EXPECT_EQ(this->pager.valueMax(), 1);
    EXPECT_EQ(this->pager.valueMin(), -1);
}

TYPED_TEST(PagerTest, ARangeLandsExactlyWhereverTheAxisWasDragged)
{
    auto& surface = this->chart.surface;
    this->pager.SetValueRange(-1000, 1000);
    surface.pan(0, 2400);  // dragged to 1400..3400, above the whole power-factor range
    this->pager.SetValueRange(-1, 1);
    EXPECT_EQ(surface.axisMinimum(Axis::Left), -1);
    EXPECT_EQ(surface.axisMaximum(Axis::Left), 1);

    surface.pan(0, -50);  // dragged to -51..-49, below it
    this->pager.SetValueRange(-600, 600);
    EXPECT_EQ(surface.axisMinimum(Axis::Left), -600);
    EXPECT_EQ(surface.axisMaximum(Axis::Left), 600);

    // One end alone moves the other only as far as it must.
    surface.pan(0, 2000);
    this->pager.SetValueMax(1);
    EXPECT_EQ(surface.axisMaximum(Axis::Left), 1);
    EXPECT_EQ(surface.axisMinimum(Axis::Left), 1);
    this->pager.SetValueMin(-1);
    EXPECT_EQ(surface.axisMinimum(Axis::Left), -1);
    EXPECT_EQ(surface.axisMaximum(Axis::Left), 1);
}

TYPED_TEST(PagerTest, ClearAndANewPageSizeLeaveNoTraceOfADrag)
{
    this->add(250);
    this->chart.surface.pan(-400, 0);  // dragged to -199..-100, wholly left of page 1
    this->pager.SetPageSize(50);
    this->expectView(201, 250);
    this->chart.surface.pan(-400, 0);
    EXPECT_EQ(this->pager.Clear(), 1);
    this->expectView(1, 50);
}

TYPED_TEST(PagerTest, FillHidesOnlyTheAreaSeries)
{
    this->pager.SetFill(false);
    EXPECT_FALSE(this->pager.fill());
    EXPECT_FALSE(this->chart.surface.seriesShown(0));
    EXPECT_TRUE(this->chart.surface.seriesShown(1));
    this->pager.SetFill(true);
    EXPECT_TRUE(this->chart.surface.seriesShown(0));
}

TYPED_TEST(PagerTest, FirstAndLastPageCrossThousandsOfPages)
{
    this->pager.SetPageSize(10);
    this->add(100000);
    EXPECT_EQ(this->pager.currentPage(), 10000);
    EXPECT_EQ(this->pager.FirstPage(), 1);
    this->expectView(1, 10);
    EXPECT_EQ(this->pager.LastPage(), 10000);
    this->expectView(99991, 100000);
}

TEST(Pager, RefusesAPageSizeBelowOneAtCreation)
{
    MemoryChartSurface surface(2);
    EXPECT_THROW(ChartPager(surface, 0), std::invalid_argument);
}

}  // namespace
