// Dragging the chart with the mouse pans both axes, as on a chart recorder's paper: the picture follows
// the pointer. Zooming by dragging is not offered.
#pragma once

#include <QObject>
#include <QPointF>
#include <functional>

class QChartView;

class ChartPanner : public QObject {
public:
    // Watches the view's viewport; pan receives the shift of the bottom and left axes in chart values.
    ChartPanner(QChartView* view, std::function<void(double bottom, double left)> pan);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointF valueAt(const QPointF& viewportPosition) const;

    QChartView* m_view;
    std::function<void(double, double)> m_pan;
    bool m_dragging = false;
    QPointF m_last;
};
