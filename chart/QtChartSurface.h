// The meter chart on screen, drawn by Qt Charts. All points stay in the in-memory chart this builds on;
// the Qt series receive only the points in view (reduced per pixel column on very large pages), because
// a Qt series re-lays out every point it holds on every change and would slow down as a recording grows.
// The screen catches up once per turn of the event loop, so paging over thousands of pages costs one
// redraw.
//
// Series 0 is "Series2", the area under the curve; series 1 is "Series1", the line.
#pragma once

#include <QTimer>
#include <memory>

#include "chart/MemoryChartSurface.h"

class QAbstractSeries;
class QAreaSeries;
class QChart;
class QChartView;
class QLineSeries;
class QValueAxis;
class QXYSeries;
class ChartPanner;

class QtChartSurface : public MemoryChartSurface {
public:
    // Builds the meter chart (its look, the two series and the axes) in the view.
    explicit QtChartSurface(QChartView* view);
    ~QtChartSurface() override;

    // Brings the screen chart up to date now instead of at the next turn of the event loop.
    void refresh();

    QChartView* view() const { return m_view; }
    QChart* chart() const { return m_chart; }
    QAreaSeries* areaSeries() const { return m_area; }
    QLineSeries* lineSeries() const { return m_line; }
    // The Qt series that holds the points in view of a series of the chart.
    QXYSeries* pointsOf(int series) const;
    QValueAxis* bottomAxis() const { return m_bottom; }
    QValueAxis* leftAxis() const { return m_left; }

protected:
    void changed() override;

private:
    void buildLook();
    void showAxis(Axis axis);
    void showSeries(int series, int columns);
    QAbstractSeries* drawnSeries(int series) const;

    QChartView* m_view;
    QChart* m_chart;
    QAreaSeries* m_area;
    QLineSeries* m_areaEdge;  // the area's upper boundary
    QLineSeries* m_line;
    QValueAxis* m_bottom;
    QValueAxis* m_left;
    QTimer m_refreshTimer;
    std::unique_ptr<ChartPanner> m_panner;
};
