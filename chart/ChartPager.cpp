#include "chart/ChartPager.h"

#include <algorithm>
#include <stdexcept>

namespace {

using Axis = ChartSurface::Axis;

// Points are drawn in pure blue whatever the series' own colour.
const QColor PointColour(0, 0, 255);

}  // namespace

ChartPager::ChartPager(ChartSurface& chart, int pageSize) : Chart(chart)
{
    if (pageSize < 1)
        throw std::invalid_argument("a chart page must hold at least one point");
    SetPageSize(pageSize);
    Chart.setAxisAutomatic(Axis::Bottom, false);
    showPageOne();
    PageCount = 1;
    CurrentPage = 1;
    addToEverySeries(0);
    Fill = true;
    Chart.setSeriesShown(0, true);
}

int ChartPager::AddValue(double value)
{
    addToEverySeries(value);
    recountPages();
    if (!Browsing) {
        // The scroll moves only when the new point lies beyond the right end of the view.
        scrollPages(+1, 1);
        CurrentPage = PageCount;
    }
    return CurrentPage;
}

int ChartPager::FirstPage()
{
    if (PageCount > 1 && CurrentPage != 1) {
        scrollPages(-1, CurrentPage - 1);
        CurrentPage = 1;
        Browsing = true;
    }
    return CurrentPage;
}

int ChartPager::PriorPage()
{
    if (CurrentPage > 1) {
        scrollPages(-1, 1);
        --CurrentPage;
        Browsing = true;
    }
    return CurrentPage;
}

int ChartPager::NextPage()
{
    if (PageCount > 1 && CurrentPage != PageCount) {
        scrollPages(+1, 1);
        ++CurrentPage;
        Browsing = CurrentPage != PageCount;
    }
    return CurrentPage;
}

int ChartPager::LastPage()
{
    if (PageCount > 1 && CurrentPage != PageCount) {
        scrollPages(+1, PageCount - CurrentPage);
        CurrentPage = PageCount;
        Browsing = false;
    }
    return CurrentPage;
}

void ChartPager::SetPageSize(int pageSize)
{
    if (pageSize == PageSize || pageSize < 1)
        return;
    PageSize = pageSize;
    // Page 1 of the new size, then step to the last page.
    showPageOne();
    recountPages();
    scrollPages(+1, PageCount - 1);
    CurrentPage = PageCount;
    Browsing = false;
}

void ChartPager::SetValueRange(double minimum, double maximum)
{
    if (minimum == ValueMin && maximum == ValueMax)
        return;
    // Both ends at once: after a drag, either end alone could land beyond the other and be refused.
    if (!Chart.setAxisRange(Axis::Left, minimum, maximum))
        return;
    ValueMin = minimum;
    ValueMax = maximum;
}

void ChartPager::SetValueMax(double value)
{
    if (value == ValueMax)
        return;
    ValueMax = value;
    Chart.setAxisRange(Axis::Left, std::min(Chart.axisMinimum(Axis::Left), value), value);
}

void ChartPager::SetValueMin(double value)
{
    if (value == ValueMin)
        return;
    ValueMin = value;
    Chart.setAxisRange(Axis::Left, value, std::max(Chart.axisMaximum(Axis::Left), value));
}

int ChartPager::Clear()
{
    FirstPage();
    // Paging keeps where a drag left the view; an empty chart starts again on the page grid.
    showPageOne();
    for (int series = 0; series < Chart.seriesCount(); ++series) {
        Chart.clearSeries(series);
        Chart.addValue(series, 0, PointColour);
    }
    PageCount = 1;
    Browsing = false;
    return CurrentPage;
}

void ChartPager::SetFill(bool shown)
{
    if (shown == Fill)
        return;
    Fill = shown;
    Chart.setSeriesShown(0, shown);
}

void ChartPager::showPageOne()
{
    // Both ends at once: a dragged view may lie wholly left of 1, where a minimum of 1 alone is refused.
    Chart.setAxisRange(Axis::Bottom, 1, PageSize);
}

void ChartPager::scrollPages(int direction, qint64 times)
{
    // Page by page, each step limited on its own, as a reader paging by hand would move.
    Chart.scrollAxis(Axis::Bottom, double(direction) * PageSize, times);
}

void ChartPager::addToEverySeries(double value)
{
    for (int series = 0; series < Chart.seriesCount(); ++series)
        Chart.addValue(series, value, PointColour);
}

void ChartPager::recountPages()
{
    // Readings since the last clear: the points of series 0 less the zero point.
    const qint64 readings = std::max<qint64>(0, Chart.pointCount(0) - 1);
    const qint64 pages = readings / PageSize + (readings % PageSize > 0 ? 1 : 0);
    PageCount = int(std::max<qint64>(1, pages));
}
