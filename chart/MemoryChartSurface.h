// A chart held entirely in memory: its series and axes with the chart component's rules, and no picture.
// The screen chart keeps its data here and shows the part in view; tests drive the pager against it
// directly.
#pragma once

#include <array>
#include <optional>
#include <vector>

#include "chart/AxisRange.h"
#include "chart/ChartSurface.h"
#include "chart/SeriesStore.h"

class MemoryChartSurface : public ChartSurface {
public:
    explicit MemoryChartSurface(int seriesCount);

    int seriesCount() const override;
    void addValue(int series, double value, QColor colour) override;
    void clearSeries(int series) override;
    qsizetype pointCount(int series) const override;
    void setSeriesShown(int series, bool shown) override;
    bool seriesShown(int series) const override;

    void setAxisAutomatic(Axis axis, bool automatic) override;
    bool axisAutomatic(Axis axis) const override;
    bool setAxisMinimum(Axis axis, double value) override;
    bool setAxisMaximum(Axis axis, double value) override;
    bool setAxisRange(Axis axis, double minimum, double maximum) override;
    double axisMinimum(Axis axis) const override;
    double axisMaximum(Axis axis) const override;
    qint64 scrollAxis(Axis axis, double offset, qint64 times) override;

    // Dragging the chart: both axes move freely and become manual.
    void pan(double bottomOffset, double leftOffset);
    // The range an axis spans on screen (the data's extent while it is automatic).
    DataExtent shownRange(Axis axis) const;
    const SeriesStore& store(int series) const { return m_series[size_t(series)].points; }

protected:
    // Called after every change that may alter the picture.
    virtual void changed() {}

private:
    struct Series {
        SeriesStore points;
        bool shown = true;
    };
    AxisRange& range(Axis axis) { return m_axes[size_t(axis)]; }
    const AxisRange& range(Axis axis) const { return m_axes[size_t(axis)]; }
    std::optional<DataExtent> dataExtent(Axis axis) const;

    std::vector<Series> m_series;
    std::array<AxisRange, 2> m_axes;
};
