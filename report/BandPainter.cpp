#include "report/BandPainter.h"

#include <QFontMetricsF>
#include <QPaintDevice>
#include <QPainter>

#include "display/LcdGlyphPainter.h"

namespace {

// The report's face is Arial; where Arial is not installed its metric twin takes its place.
QFont reportFont(const ReportItem& item)
{
    QFont font;
    font.setFamilies({QStringLiteral("Arial"), QStringLiteral("Liberation Sans")});
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(item.pointSize);
    font.setBold(item.bold);
    font.setUnderline(item.underline);
    return font;
}

}  // namespace

BandPainter::BandPainter(QPainter& painter)
    : m_painter(painter), m_dotsPerMm(painter.device()->logicalDpiX() / 25.4),
      m_dotsPerPoint(painter.device()->logicalDpiY() / 72.0)
{
}

const QList<BandPainter::Pen>& BandPainter::pensFor(const ReportBand& band)
{
    auto found = m_pens.constFind(&band);
    if (found != m_pens.constEnd())
        return *found;
    QList<Pen> pens;
    for (const ReportItem& item : band.items) {
        const QFont font(reportFont(item), m_painter.device());
        pens.append({font, QFontMetricsF(font, m_painter.device()).ascent()});
    }
    return *m_pens.insert(&band, pens);
}

void BandPainter::paintBand(const ReportBand& band, double leftMm, double topMm, const TextOf& textOf)
{
    const QList<Pen>& pens = pensFor(band);
    for (qsizetype i = 0; i < band.items.size(); ++i) {
        const ReportItem& item = band.items[i];
        const QString text = textOf(item);
        if (text.isEmpty())
            continue;
        const double y = (topMm + item.topMm) * m_dotsPerMm;
        double x = (leftMm + item.leftMm) * m_dotsPerMm;
        if (item.face == ReportItem::Face::Lcd) {
            paintLcd(item, x, y, text);
            continue;
        }
        m_painter.setFont(pens[i].font);
        m_painter.setPen(item.color);
        if (item.centred) {
            const double width = QFontMetricsF(pens[i].font, m_painter.device()).horizontalAdvance(text);
            x = (leftMm + ReportLayout::bandWidthMm / 2) * m_dotsPerMm - width / 2;
        }
        m_painter.drawText(QPointF(x, y + pens[i].ascent), text);
    }
}

// Items left in the report's LCD base font are drawn with the panel's own glyphs, the font's only stand-in.
void BandPainter::paintLcd(const ReportItem& item, double x, double y, const QString& text)
{
    const LcdGlyphPainter glyphs(LcdGlyphPainter::faceForFamily(QStringLiteral("VELD-A2")),
                                 item.pointSize * m_dotsPerPoint, item.bold);
    glyphs.drawText(m_painter, QPointF(x, y), text);
}
