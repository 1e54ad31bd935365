#include "chart/ChartPanner.h"

#include <QChart>
#include <QChartView>
#include <QMouseEvent>

ChartPanner::ChartPanner(QChartView* view, std::function<void(double, double)> pan)
    : m_view(view), m_pan(std::move(pan))
{
    m_view->viewport()->installEventFilter(this);
}

QPointF ChartPanner::valueAt(const QPointF& viewportPosition) const
{
    QChart* chart = m_view->chart();
    return chart->mapToValue(chart->mapFromScene(m_view->mapToScene(viewportPosition.toPoint())));
}

bool ChartPanner::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::LeftButton && mouse->button() != Qt::RightButton)
            break;
        m_dragging = true;
        m_last = mouse->position();
        return true;
    }
    case QEvent::MouseMove: {
        if (!m_dragging)
            break;
        auto* mouse = static_cast<QMouseEvent*>(event);
        // The axes shift by the difference of the values under the pointer, the other way, so the
        // point grabbed stays under the pointer.
        const QPointF before = valueAt(m_last);
        const QPointF after = valueAt(mouse->position());
        m_last = mouse->position();
        m_pan(before.x() - after.x(), before.y() - after.y());
        return true;
    }
    case QEvent::MouseButtonRelease:
        if (!m_dragging)
            break;
        m_dragging = false;
        return true;
    default: break;
    }
    return QObject::eventFilter(watched, event);
}
