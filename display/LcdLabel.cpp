#include "display/LcdLabel.h"

#include <QEvent>
#include <QPainter>
#include <cmath>

LcdLabel::LcdLabel(QWidget* parent) : QLabel(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

LcdGlyphPainter LcdLabel::glyphs() const
{
    const QFont& f = font();
    return LcdGlyphPainter(LcdGlyphPainter::faceForFamily(f.family()), f.pointSizeF(), f.bold());
}

QSize LcdLabel::sizeHint() const
{
    const QSizeF size = glyphs().textSize(text());
    return {qMax(1, int(std::ceil(size.width()))), qMax(1, int(std::ceil(size.height())))};
}

void LcdLabel::setText(const QString& caption)
{
    if (caption == text())
        return;
    QLabel::setText(caption);
    fitToText();
}

void LcdLabel::fitToText()
{
    // An empty caption keeps the stored box: the layout sets font and alignment before the caption, and
    // a right-aligned label must keep the right edge it was stored with.
    if (text().isEmpty())
        return;
    const QSize hint = sizeHint();
    if (alignment() & Qt::AlignRight)
        setGeometry(geometry().right() + 1 - hint.width(), y(), hint.width(), hint.height());
    else
        resize(hint);
}

void LcdLabel::changeEvent(QEvent* event)
{
    QLabel::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        fitToText();
}

void LcdLabel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (autoFillBackground())
        painter.fillRect(rect(), palette().color(backgroundRole()));
    const LcdGlyphPainter g = glyphs();
    const double width = g.textSize(text()).width();
    const double left = (alignment() & Qt::AlignRight) ? rect().width() - width : 0.0;
    g.drawText(painter, QPointF(left, 0), text());
}
