// What the pager needs of a chart: a list of series that points are added to, and two axes with the
// chart component's own rules for minimum, maximum and scrolling. The pager talks only to this, so its
// paging rules run the same against the screen chart and against an in-memory chart in tests.
#pragma once

#include <QColor>
#include <QtGlobal>

class ChartSurface {
public:
    enum class Axis { Bottom, Left };

    virtual ~ChartSurface() = default;

    // Series, by their index in the chart's series list.
    virtual int seriesCount() const = 0;
    // The new point goes to the next horizontal position (the number of points the series held before)
    // and is drawn in the given colour.
    virtual void addValue(int series, double value, QColor colour) = 0;
    virtual void clearSeries(int series) = 0;
    virtual qsizetype pointCount(int series) const = 0;
    virtual void setSeriesShown(int series, bool shown) = 0;
    virtual bool seriesShown(int series) const = 0;

    // Axes. An automatic axis spans the data; a manual one keeps the minimum and maximum it was given.
    virtual void setAxisAutomatic(Axis axis, bool automatic) = 0;
    virtual bool axisAutomatic(Axis axis) const = 0;
    // A minimum above the current maximum, or a maximum below the current minimum, is refused (false).
    virtual bool setAxisMinimum(Axis axis, double value) = 0;
    virtual bool setAxisMaximum(Axis axis, double value) = 0;
    // Both ends at once, wherever the axis stands (a drag may have moved it past either end); refused only
    // when minimum is above maximum.
    virtual bool setAxisRange(Axis axis, double minimum, double maximum) = 0;
    virtual double axisMinimum(Axis axis) const = 0;
    virtual double axisMaximum(Axis axis) const = 0;
    // Scrolls the given number of times. Each step moves both ends of the axis by the offset and makes it
    // manual, but only when there is something to see in that direction: a point beyond the maximum for a
    // positive offset, before the minimum for a negative one. Returns the number of steps that moved.
    virtual qint64 scrollAxis(Axis axis, double offset, qint64 times) = 0;
};
