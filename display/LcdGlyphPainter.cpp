#include "display/LcdGlyphPainter.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

namespace {

// Segment bits: a top, b upper right, c lower right, d bottom, e lower left, f upper left, g middle.
enum : unsigned { A = 1, B = 2, C = 4, D = 8, E = 16, F = 32, G = 64 };

// Letters take segment shapes only in the digit face (a frame may carry hex digits); the symbol face
// draws its words ("AUTO") as text.
unsigned segmentsFor(QChar c, LcdFace face)
{
    if (c.isLetter() && face != LcdFace::Segment)
        return 0;
    switch (c.unicode()) {
    case '0': return A | B | C | D | E | F;
    case '1': return B | C;
    case '2': return A | B | D | E | G;
    case '3': return A | B | C | D | G;
    case '4': return B | C | F | G;
    case '5': return A | C | D | F | G;
    case '6': return A | C | D | E | F | G;
    case '7': return A | B | C;
    case '8': return A | B | C | D | E | F | G;
    case '9': return A | B | C | D | F | G;
    case 'A': return A | B | C | E | F | G;
    case 'B':
    case 'b': return C | D | E | F | G;
    case 'C': return A | D | E | F;
    case 'D':
    case 'd': return B | C | D | E | G;
    case 'E': return A | D | E | F | G;
    case 'F': return A | E | F | G;
    case '-': return G;
    case '@': return D | E | F;  // the "L" of the overload mark "0L"
    default: return 0;
    }
}

// Slant of the digits, as on the meter's glass.
constexpr double kSkew = 0.06;

}  // namespace

LcdGlyphPainter::LcdGlyphPainter(LcdFace face, double height, bool bold) : m_face(face), m_h(height), m_bold(bold) {}

LcdFace LcdGlyphPainter::faceForFamily(const QString& family)
{
    const QString f = family.toLower();
    if (f == QLatin1String("veld-a2"))
        return LcdFace::Segment;
    if (f == QLatin1String("veld_a3"))
        return LcdFace::Symbol;
    if (f == QLatin1String("veld-610"))
        return LcdFace::Point;
    return LcdFace::Text;
}

QFont LcdGlyphPainter::textFont() const
{
    QFont font(QStringLiteral("Liberation Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(qMax(1, qRound(m_h * (m_face == LcdFace::Text ? 0.82 : 0.62))));
    font.setBold(m_bold || m_face != LcdFace::Text);
    return font;
}

double LcdGlyphPainter::advance(QChar c) const
{
    if (m_face == LcdFace::Text)
        return QFontMetricsF(textFont()).horizontalAdvance(c);
    switch (c.unicode()) {
    case '.': return 0.30 * m_h;
    case ':': return 0.22 * m_h;
    case ' ': return 0.16 * m_h;
    case 0x00B0: return 0.34 * m_h;  // degree sign
    case '"':
    case '}':
    case '%':
    case 0x2211:
    case '#':
    case '?': return 0.50 * m_h;
    default: break;
    }
    if (segmentsFor(c, m_face))
        return 0.49 * m_h;
    return QFontMetricsF(textFont()).horizontalAdvance(c);
}

QSizeF LcdGlyphPainter::textSize(const QString& text) const
{
    if (m_face == LcdFace::Text) {
        const QFontMetricsF fm(textFont());
        return {fm.horizontalAdvance(text) + 1.0, fm.height()};
    }
    double width = 0;
    for (QChar c : text)
        width += advance(c);
    return {width + 0.08 * m_h, m_h};
}

void LcdGlyphPainter::drawText(QPainter& painter, QPointF topLeft, const QString& text) const
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::black);
    if (m_face == LcdFace::Text) {
        drawWord(painter, topLeft, text);
    } else {
        QPointF origin = topLeft;
        for (QChar c : text) {
            drawGlyph(painter, origin, c);
            origin.rx() += advance(c);
        }
    }
    painter.restore();
}

void LcdGlyphPainter::drawWord(QPainter& painter, QPointF origin, const QString& word) const
{
    const QFont font = textFont();
    const QFontMetricsF fm(font);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(QPointF(origin.x(), origin.y() + fm.ascent()), word);
    painter.setPen(Qt::NoPen);
}

// The digit box: the glyph fills the middle of the character cell, leaving the cell's leading above and below.
void LcdGlyphPainter::drawSegments(QPainter& painter, QPointF o, unsigned mask) const
{
    const double top = o.y() + 0.18 * m_h, bottom = o.y() + 0.86 * m_h;
    const double left = o.x() + 0.02 * m_h, right = o.x() + 0.38 * m_h;
    const double t = 0.085 * m_h;  // segment thickness
    const double mid = (top + bottom) / 2;
    const double gap = 0.012 * m_h;
    auto skew = [&](double x, double y) { return QPointF(x + (bottom - y) * kSkew, y); };
    auto horizontal = [&](double y) {
        const double x0 = left + gap, x1 = right - gap, h = t / 2;
        return QPolygonF{skew(x0, y), skew(x0 + h, y - h), skew(x1 - h, y - h),
                         skew(x1, y), skew(x1 - h, y + h), skew(x0 + h, y + h)};
    };
    auto vertical = [&](double x, double y0, double y1) {
        const double h = t / 2;
        y0 += gap;
        y1 -= gap;
        return QPolygonF{skew(x, y0), skew(x + h, y0 + h), skew(x + h, y1 - h),
                         skew(x, y1), skew(x - h, y1 - h), skew(x - h, y0 + h)};
    };
    const double inL = left + t / 2, inR = right - t / 2, inT = top + t / 2, inB = bottom - t / 2;
    if (mask & A)
        painter.drawPolygon(horizontal(inT));
    if (mask & B)
        painter.drawPolygon(vertical(inR, inT, mid));
    if (mask & C)
        painter.drawPolygon(vertical(inR, mid, inB));
    if (mask & D)
        painter.drawPolygon(horizontal(inB));
    if (mask & E)
        painter.drawPolygon(vertical(inL, mid, inB));
    if (mask & F)
        painter.drawPolygon(vertical(inL, inT, mid));
    if (mask & G)
        painter.drawPolygon(horizontal(mid));
}

void LcdGlyphPainter::drawDot(QPainter& painter, QPointF centre, double radius) const
{
    painter.drawRect(QRectF(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius));
}

void LcdGlyphPainter::drawGlyph(QPainter& painter, QPointF o, QChar c) const
{
    const double h = m_h;
    if (const unsigned mask = segmentsFor(c, m_face)) {
        drawSegments(painter, o, mask);
        return;
    }
    switch (c.unicode()) {
    case ' ': return;
    case '.': {
        // The point sits in the gap after the digit to its left; the point face's lies further right.
        const double centre = (m_face == LcdFace::Point ? 0.19 : 0.11) * h;
        drawDot(painter, QPointF(o.x() + centre, o.y() + 0.81 * h), 0.05 * h);
        return;
    }
    case ':':
        drawDot(painter, QPointF(o.x() + 0.11 * h, o.y() + 0.38 * h), 0.045 * h);
        drawDot(painter, QPointF(o.x() + 0.11 * h, o.y() + 0.66 * h), 0.045 * h);
        return;
    case 0x00B0: {  // degree sign: a small ring high in the cell
        QPainterPath ring;
        const QPointF centre(o.x() + 0.17 * h, o.y() + 0.30 * h);
        ring.addEllipse(centre, 0.11 * h, 0.11 * h);
        ring.addEllipse(centre, 0.055 * h, 0.055 * h);
        painter.drawPath(ring);
        return;
    }
    case '"': {  // hold: a padlock-like box with "H"
        const QRectF box(o.x() + 0.08 * h, o.y() + 0.30 * h, 0.34 * h, 0.28 * h);
        QPainterPath lock;
        lock.addRect(box);
        lock.addRect(box.adjusted(0.04 * h, 0.04 * h, -0.04 * h, -0.04 * h));
        painter.drawPath(lock);
        QPainterPath shackle;
        shackle.addRect(QRectF(box.left() + 0.06 * h, o.y() + 0.18 * h, 0.04 * h, 0.12 * h));
        shackle.addRect(QRectF(box.right() - 0.10 * h, o.y() + 0.18 * h, 0.04 * h, 0.12 * h));
        shackle.addRect(QRectF(box.left() + 0.06 * h, o.y() + 0.16 * h, 0.22 * h, 0.04 * h));
        painter.drawPath(shackle);
        painter.drawRect(QRectF(box.center().x() - 0.02 * h, box.top() + 0.08 * h, 0.04 * h, 0.12 * h));
        return;
    }
    case '}': {  // overload bars: three rising bars
        for (int i = 0; i < 3; ++i) {
            const double barH = (0.14 + 0.10 * i) * h;
            painter.drawRect(QRectF(o.x() + (0.06 + 0.13 * i) * h, o.y() + 0.80 * h - barH, 0.09 * h, barH));
        }
        return;
    }
    case '%':
    case 0x2211: {  // sum mark
        const double l = o.x() + 0.08 * h, r = o.x() + 0.40 * h, t = o.y() + 0.22 * h, b = o.y() + 0.80 * h;
        const double w = 0.07 * h, m = (t + b) / 2;
        painter.drawPolygon(QPolygonF{{l, t},
                                      {r, t},
                                      {r, t + w},
                                      {l + 0.12 * h, t + w},
                                      {l + 0.18 * h + w, m},
                                      {l + 0.12 * h, b - w},
                                      {r, b - w},
                                      {r, b},
                                      {l, b},
                                      {l + 0.16 * h, m}});
        return;
    }
    case '#':    // degrees Celsius
    case '?': {  // degrees Fahrenheit
        const QPointF ringCentre(o.x() + 0.09 * h, o.y() + 0.28 * h);
        QPainterPath ring;
        ring.addEllipse(ringCentre, 0.07 * h, 0.07 * h);
        ring.addEllipse(ringCentre, 0.035 * h, 0.035 * h);
        painter.drawPath(ring);
        LcdGlyphPainter letters(m_face, h * 0.8, m_bold);
        const unsigned mask = c == QLatin1Char('#') ? (A | D | E | F) : (A | E | F | G);
        letters.drawSegments(painter, QPointF(o.x() + 0.14 * h, o.y() + 0.06 * h), mask);
        return;
    }
    default: {  // letters of the symbol font ("AUTO") and anything else: bold sans-serif
        drawWord(painter, QPointF(o.x(), o.y() + 0.18 * h), QString(c));
        return;
    }
    }
}
