#include "record/RowIndicator.h"

#include <QPainter>
#include <QPainterPath>

RowIndicator::RowIndicator(QWidget* parent) : QHeaderView(Qt::Vertical, parent)
{
    setFixedWidth(indicatorWidth);
    setSectionsClickable(false);
    setHighlightSections(false);
}

void RowIndicator::setCurrentSection(int section)
{
    if (section == m_current)
        return;
    m_current = section;
    viewport()->update();
}

void RowIndicator::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const
{
    // The style leaves the painter clipped to the section's text area, which is empty in so narrow a
    // section: the mark is drawn with the painter as it came.
    painter->save();
    QHeaderView::paintSection(painter, rect, logicalIndex);
    painter->restore();
    if (logicalIndex != m_current)
        return;
    const QPointF centre = QRectF(rect).center();
    const qreal half = 3.5;
    QPainterPath triangle;
    triangle.moveTo(centre.x() - half + 1, centre.y() - half - 0.5);
    triangle.lineTo(centre.x() + half - 0.5, centre.y());
    triangle.lineTo(centre.x() - half + 1, centre.y() + half + 0.5);
    triangle.closeSubpath();
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->fillPath(triangle, palette().color(QPalette::WindowText));
    painter->restore();
}
