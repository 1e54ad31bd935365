// What Qt Charts holds and shows: the axes and only the points of the page in view.
#include <QAreaSeries>
#include <QChart>
#include <QChartView>
#include <QCoreApplication>
#include <QLineSeries>
#include <QMouseEvent>
#include <QValueAxis>
#include <gtest/gtest.h>

#include "chart/QtChartSurface.h"
#include "chart/ChartPager.h"

namespace {

using Axis = ChartSurface::Axis;

class ScreenChartTest : public ::testing::Test {
protected:
    ScreenChartTest()
    {
        view.resize(371, 320);
        view.show();
    }
    // A reading per position that tells where it came from.
    static double valueAt(qsizetype position) { return double(position % 1000) - 500; }
    void addReadings(int count)
    {
        for (int i = 0; i < count; ++i)
            pager.AddValue(valueAt(surface.pointCount(0)));
    }
    QList<QPointF> shownPoints(int series) const { return surface.pointsOf(series)->points(); }
    int columns() const { return int(std::ceil(surface.chart()->plotArea().width())); }

    QChartView view;
    QtChartSurface surface{&view};
    ChartPager pager{surface, 100};
};

TEST_F(ScreenChartTest, NamesItsSeriesAndKeepsTheDesignRange)
{
    EXPECT_EQ(surface.areaSeries()->objectName(), "Series2");
    EXPECT_EQ(surface.lineSeries()->objectName(), "Series1");
    EXPECT_EQ(surface.chart()->series().at(0), surface.areaSeries());
    EXPECT_EQ(surface.chart()->series().at(1), surface.lineSeries());
    surface.refresh();
    EXPECT_EQ(surface.leftAxis()->min(), -11000);
    EXPECT_EQ(surface.leftAxis()->max(), 11000);
    EXPECT_FALSE(surface.chart()->legend()->isVisible());
}

TEST_F(ScreenChartTest, SeriesHoldThePageInViewWithOneNeighbourEachSide)
{
    addReadings(250);
    pager.PriorPage();
    surface.refresh();
    EXPECT_EQ(surface.bottomAxis()->min(), 101);
    EXPECT_EQ(surface.bottomAxis()->max(), 200);
    for (int series = 0; series < 2; ++series) {
        const QList<QPointF> points = shownPoints(series);
        ASSERT_EQ(points.size(), 102);
        for (int i = 0; i < points.size(); ++i) {
            EXPECT_EQ(points[i].x(), 100 + i);
            EXPECT_EQ(points[i].y(), valueAt(100 + i));
        }
    }
}

TEST_F(ScreenChartTest, TheLastPageHoldsOnlyThePointsThatExist)
{
    addReadings(130);
    surface.refresh();
    const QList<QPointF> points = shownPoints(1);
    ASSERT_EQ(points.size(), 31);  // positions 100 .. 130
    EXPECT_EQ(points.front().x(), 100);
    EXPECT_EQ(points.back().x(), 130);
}

TEST_F(ScreenChartTest, TheScreenCatchesUpOnceTheEventLoopTurns)
{
    surface.refresh();
    addReadings(150);
    EXPECT_EQ(surface.bottomAxis()->max(), 100);  // not yet
    EXPECT_EQ(shownPoints(1).size(), 1);
    QCoreApplication::processEvents();
    EXPECT_EQ(surface.bottomAxis()->min(), 101);
    EXPECT_EQ(surface.bottomAxis()->max(), 200);
    EXPECT_EQ(shownPoints(1).size(), 51);
}

TEST_F(ScreenChartTest, AHugePageIsReducedToTheLowestAndHighestPointPerColumn)
{
    addReadings(20000);
    pager.SetPageSize(20000);
    surface.refresh();
    ASSERT_GT(columns(), 100);
    const QList<QPointF> points = shownPoints(1);
    EXPECT_LE(points.size(), 2 * columns() + 4);
    EXPECT_GE(points.size(), columns());
    double low = points.front().y();
    double high = low;
    for (int i = 1; i < points.size(); ++i) {
        EXPECT_LT(points[i - 1].x(), points[i].x());  // in the order the readings came
        low = std::min(low, points[i].y());
        high = std::max(high, points[i].y());
    }
    EXPECT_EQ(low, -500);
    EXPECT_EQ(high, 499);
}

TEST_F(ScreenChartTest, AWiderChartGetsMorePointsOfAHugePage)
{
    addReadings(20000);
    pager.SetPageSize(20000);
    surface.refresh();
    const qsizetype narrow = shownPoints(1).size();
    view.resize(742, 440);
    QCoreApplication::processEvents();
    surface.refresh();
    EXPECT_GT(shownPoints(1).size(), narrow);
    EXPECT_LE(shownPoints(1).size(), 2 * columns() + 4);
}

TEST_F(ScreenChartTest, AHiddenAreaHoldsNoPointsAndCatchesUpWhenShown)
{
    addReadings(50);
    pager.SetFill(false);
    surface.refresh();
    EXPECT_FALSE(surface.areaSeries()->isVisible());
    EXPECT_TRUE(surface.lineSeries()->isVisible());
    EXPECT_TRUE(shownPoints(0).isEmpty());
    EXPECT_EQ(shownPoints(1).size(), 51);
    addReadings(10);
    pager.SetFill(true);
    surface.refresh();
    EXPECT_TRUE(surface.areaSeries()->isVisible());
    EXPECT_EQ(shownPoints(0).size(), 61);
}

TEST_F(ScreenChartTest, TheCurvesAreDrawnInTheColourOfTheirPoints)
{
    addReadings(10);
    surface.refresh();
    EXPECT_EQ(surface.lineSeries()->pen().color(), QColor(0, 0, 255));
    EXPECT_EQ(surface.areaSeries()->pen().color(), QColor(0, 0, 255));
    EXPECT_EQ(surface.areaSeries()->brush().color(), QColor(255, 255, 128));
}

TEST_F(ScreenChartTest, MixedColoursInViewFallBackToTheSeriesOwnPens)
{
    addReadings(10);
    surface.addValue(0, 1, Qt::red);
    surface.addValue(1, 1, Qt::red);
    surface.refresh();
    EXPECT_EQ(surface.lineSeries()->pen().color(), QColor(128, 255, 0));
    EXPECT_EQ(surface.areaSeries()->pen().color(), QColor(0, 128, 255));
}

TEST_F(ScreenChartTest, VerticalLabelsGainDecimalsForSmallRanges)
{
    pager.SetValueMax(1);
    pager.SetValueMin(-1);
    surface.refresh();
    EXPECT_EQ(surface.leftAxis()->min(), -1);
    EXPECT_EQ(surface.leftAxis()->max(), 1);
    EXPECT_TRUE(surface.leftAxis()->labelFormat().contains(".1f")) << surface.leftAxis()->labelFormat().toStdString();
    EXPECT_EQ(surface.leftAxis()->minorTickCount(), 4);
}

TEST_F(ScreenChartTest, APageOfOnePositionShowsThatPositionAlone)
{
    pager.SetPageSize(1);
    addReadings(3);
    surface.refresh();
    const double low = surface.bottomAxis()->min();
    const double high = surface.bottomAxis()->max();
    EXPECT_GT(low, 2);
    EXPECT_LT(low, 3);
    EXPECT_GT(high, 3);
    EXPECT_LT(high, 4);
    EXPECT_EQ(surface.bottomAxis()->tickInterval(), 1);  // one label, at the reading's position
    EXPECT_EQ(surface.bottomAxis()->labelFormat(), "%.0f");
}

TEST_F(ScreenChartTest, DraggingPansBothAxes)
{
    addReadings(300);
    surface.refresh();
    QWidget* viewport = view.viewport();
    const QPointF start = view.mapFromScene(surface.chart()->mapToScene(surface.chart()->plotArea().center()));
    auto send = [&](QEvent::Type type, QPointF at, Qt::MouseButtons buttons) {
        QMouseEvent event(type, at, viewport->mapToGlobal(at), Qt::LeftButton, buttons, Qt::NoModifier);
        QCoreApplication::sendEvent(viewport, &event);
    };
    send(QEvent::MouseButtonPress, start, Qt::LeftButton);
    send(QEvent::MouseMove, start + QPointF(60, -40), Qt::LeftButton);
    send(QEvent::MouseButtonRelease, start + QPointF(60, -40), Qt::NoButton);
    // Dragged right and up: earlier positions and lower values come into view.
    EXPECT_LT(surface.axisMinimum(Axis::Bottom), 201);
    EXPECT_NEAR(surface.axisMaximum(Axis::Bottom) - surface.axisMinimum(Axis::Bottom), 99, 1e-6);
    EXPECT_LT(surface.axisMinimum(Axis::Left), -11000);
    EXPECT_NEAR(surface.axisMaximum(Axis::Left) - surface.axisMinimum(Axis::Left), 22000, 1e-6);
    // Paging goes on from where the drag left the axis.
    const double low = surface.axisMinimum(Axis::Bottom);
    pager.PriorPage();
    EXPECT_DOUBLE_EQ(surface.axisMinimum(Axis::Bottom), low - 100);
}

}  // namespace
