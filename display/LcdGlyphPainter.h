// Draws the meter's liquid-crystal characters: seven-segment digits and the marks the panel uses as
// symbols. The LCD fonts the panel was designed with are not available on Linux, so every glyph is drawn
// here from polygons, which keeps it crisp at every size the panel uses.
#pragma once

#include <QPointF>
#include <QSizeF>
#include <QString>

class QPainter;
class QFont;

// Which of the designed fonts a label asks for; the stored font name selects it.
enum class LcdFace {
    Segment,  // digits, minus signs, hold mark, temperature symbols, degree sign
    Symbol,   // decimal points, the colon, "AUTO", the overload marks and the sum mark
    Point,    // the one decimal point drawn a little higher
    Text,     // ordinary words (annunciators and units), drawn with the sans-serif face
};

class LcdGlyphPainter {
public:
    // height: the character height in pixels, as stored for the label.
    LcdGlyphPainter(LcdFace face, double height, bool bold);

    static LcdFace faceForFamily(const QString& family);

    QSizeF textSize(const QString& text) const;
    void drawText(QPainter& painter, QPointF topLeft, const QString& text) const;

    // Horizontal space one character takes.
    double advance(QChar c) const;

private:
    void drawGlyph(QPainter& painter, QPointF origin, QChar c) const;
    void drawSegments(QPainter& painter, QPointF origin, unsigned mask) const;
    void drawDot(QPainter& painter, QPointF centre, double radius) const;
    void drawWord(QPainter& painter, QPointF origin, const QString& word) const;
    QFont textFont() const;

    LcdFace m_face;
    double m_h;
    bool m_bold;
};
