#include "chart/MemoryChartSurface.h"

#include <algorithm>

MemoryChartSurface::MemoryChartSurface(int seriesCount) : m_series(size_t(seriesCount)) {}

int MemoryChartSurface::seriesCount() const
{
    return int(m_series.size());
}

void MemoryChartSurface::addValue(int series, double value, QColor colour)
{
    m_series.at(size_t(series)).points.append(value, colour);
    changed();
}

void MemoryChartSurface::clearSeries(int series)
{
    m_series.at(size_t(series)).points.clear();
    changed();
}

qsizetype MemoryChartSurface::pointCount(int series) const
{
    return m_series.at(size_t(series)).points.size();
}

void MemoryChartSurface::setSeriesShown(int series, bool shown)
{
    m_series.at(size_t(series)).shown = shown;
    changed();
}

bool MemoryChartSurface::seriesShown(int series) const
{
    return m_series.at(size_t(series)).shown;
}

void MemoryChartSurface::setAxisAutomatic(Axis axis, bool automatic)
{
    range(axis).setAutomatic(automatic);
    changed();
}

bool MemoryChartSurface::axisAutomatic(Axis axis) const
{
    return range(axis).automatic();
}

bool MemoryChartSurface::setAxisMinimum(Axis axis, double value)
{
    if (!range(axis).setMinimum(value))
        return false;
    changed();
    return true;
}

bool MemoryChartSurface::setAxisMaximum(Axis axis, double value)
{
    if (!range(axis).setMaximum(value))
        return false;
    changed();
    return true;
}

bool MemoryChartSurface::setAxisRange(Axis axis, double minimum, double maximum)
{
    if (!range(axis).setRange(minimum, maximum))
        return false;
    changed();
    return true;
}

double MemoryChartSurface::axisMinimum(Axis axis) const
{
    return range(axis).minimum();
}

double MemoryChartSurface::axisMaximum(Axis axis) const
{
    return range(axis).maximum();
}

qint64 MemoryChartSurface::scrollAxis(Axis axis, double offset, qint64 times)
{
    const qint64 moved = range(axis).scroll(offset, dataExtent(axis), times);
    if (moved > 0)
        changed();
    return moved;
}

void MemoryChartSurface::pan(double bottomOffset, double leftOffset)
{
    range(Axis::Bottom).pan(bottomOffset);
    range(Axis::Left).pan(leftOffset);
    changed();
}

DataExtent MemoryChartSurface::shownRange(Axis axis) const
{
    return range(axis).shown(dataExtent(axis));
}

std::optional<DataExtent> MemoryChartSurface::dataExtent(Axis axis) const
{
    std::optional<DataExtent> extent;
    for (const Series& series : m_series) {
        // Horizontal positions run from 0 to the last point's index; vertical ones are the values.
        const std::optional<DataExtent> own = axis == Axis::Bottom ? (series.points.size() == 0
                                                                          ? std::nullopt
                                                                          : std::optional(DataExtent{
                                                                                0, double(series.points.size() - 1)}))
                                                                   : series.points.valueExtent();
        if (!own)
            continue;
        extent = extent ? DataExtent{std::min(extent->low, own->low), std::max(extent->high, own->high)} : *own;
    }
    return extent;
}
