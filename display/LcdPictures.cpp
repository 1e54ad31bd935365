#include "display/LcdPictures.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

namespace {

QPixmap canvas(QSize size)
{
    QPixmap pixmap(size);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

// A plug with two pins and a cord: the meter's "power" annunciator.
void drawPlug(QPainter& p, const QRectF& r)
{
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    const double w = r.width(), h = r.height();
    p.drawRect(QRectF(r.left() + 0.30 * w, r.top() + 0.08 * h, 0.08 * w, 0.22 * h));
    p.drawRect(QRectF(r.left() + 0.62 * w, r.top() + 0.08 * h, 0.08 * w, 0.22 * h));
    QPainterPath body;
    body.addRoundedRect(QRectF(r.left() + 0.18 * w, r.top() + 0.30 * h, 0.64 * w, 0.34 * h), 0.08 * w, 0.08 * w);
    p.drawPath(body);
    p.drawPolygon(QPolygonF{{r.left() + 0.36 * w, r.top() + 0.64 * h}, {r.left() + 0.64 * w, r.top() + 0.64 * h},
                            {r.left() + 0.56 * w, r.top() + 0.78 * h}, {r.left() + 0.44 * w, r.top() + 0.78 * h}});
    p.drawRect(QRectF(r.left() + 0.46 * w, r.top() + 0.78 * h, 0.08 * w, 0.20 * h));
}

}  // namespace

QPixmap LcdPictures::power(QSize size)
{
    QPixmap pixmap = canvas(size);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    drawPlug(p, QRectF(QPointF(0, 0), QSizeF(size)));
    return pixmap;
}

// A lightning bolt: the high-voltage warning of the main display.
QPixmap LcdPictures::danger(QSize size)
{
    QPixmap pixmap = canvas(size);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    const double w = size.width(), h = size.height();
    p.drawPolygon(QPolygonF{{0.55 * w, 0.0}, {0.05 * w, 0.58 * h}, {0.45 * w, 0.58 * h}, {0.25 * w, 1.0 * h},
                            {0.95 * w, 0.38 * h}, {0.55 * w, 0.38 * h}, {0.85 * w, 0.0}});
    return pixmap;
}

static QPixmap linkPicture(QSize size, const QColor& colour, bool connected)
{
    QPixmap pixmap = canvas(size);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = QRectF(QPointF(0, 0), QSizeF(size)).adjusted(3, 3, -3, -3);
    p.setPen(QPen(colour.darker(160), 1.5));
    p.setBrush(colour);
    p.drawEllipse(r);
    p.setPen(QPen(Qt::white, 2.5, Qt::SolidLine, Qt::RoundCap));
    const QPointF c = r.center();
    const double s = r.width() / 4;
    if (connected) {  // a tick
        p.drawPolyline(QPolygonF{{c.x() - s, c.y()}, {c.x() - s / 3, c.y() + s * 0.8}, {c.x() + s, c.y() - s * 0.8}});
    } else {  // a cross
        p.drawLine(QPointF(c.x() - s * 0.8, c.y() - s * 0.8), QPointF(c.x() + s * 0.8, c.y() + s * 0.8));
        p.drawLine(QPointF(c.x() + s * 0.8, c.y() - s * 0.8), QPointF(c.x() - s * 0.8, c.y() + s * 0.8));
    }
    return pixmap;
}

QPixmap LcdPictures::linkUp(QSize size)
{
    return linkPicture(size, QColor(0x2e, 0xa0, 0x3c), true);
}

QPixmap LcdPictures::linkDown(QSize size)
{
    return linkPicture(size, QColor(0xb0, 0xb0, 0xb0), false);
}
