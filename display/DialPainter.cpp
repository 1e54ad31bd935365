#include "display/DialPainter.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <span>

namespace {

struct DialLabel {
    int division;
    const char* text;
    int dx, dy;  // the label's top-left corner lies this far left of and above its anchor
};

struct Face {
    const char* divisions;
    int majorEvery;  // 0: no major dots
    std::span<const DialLabel> labels;
};

constexpr DialLabel kFace6[] = {{0, "-600", 5, 7},   {15, "-450", 8, 6},  {30, "-300", 10, 5},
                                {45, "-150", 10, 4}, {60, "0", 3, 4},     {75, "150", 5, 5},
                                {90, "300", 8, 5},   {105, "450", 10, 6}, {120, "600", 15, 7}};
constexpr DialLabel kFace10[] = {{0, "-100", 5, 7},  {25, "-75", 8, 6},  {50, "-50", 10, 5},
                                 {75, "-25", 10, 4}, {100, "0", 3, 4},   {125, "25", 5, 5},
                                 {150, "50", 8, 5},  {175, "75", 10, 6}, {200, "100", 15, 8}};
constexpr DialLabel kFace7[] = {{0, "-1", 1, 7},      {25, "-0.75", 8, 6},  {50, "-0.50", 10, 5},
                                {75, "-0.25", 10, 4}, {100, "0", 3, 4},     {125, "0.25", 5, 5},
                                {150, "0.5", 8, 5},   {175, "0.75", 10, 6}, {200, "1", 10, 8}};
constexpr DialLabel kFace4[] = {{0, "-50", 5, 7},   {10, "-30", 8, 6},  {20, "-20", 10, 5},
                                {30, "-10", 10, 4}, {40, "0", 3, 4},    {50, "325", 5, 5},
                                {60, "650", 8, 5},  {70, "975", 10, 6}, {80, "1300", 21, 14}};

const Face kFaces[] = {{"6", 15, kFace6}, {"10", 25, kFace10}, {"7", 0, kFace7}, {"4", 10, kFace4}};

const Face* faceOf(const QByteArray& divisions)
{
    for (const Face& f : kFaces)
        if (divisions == f.divisions)
            return &f;
    return nullptr;
}

const DialLabel* labelAt(const Face* face, int division)
{
    if (face)
        for (const DialLabel& l : face->labels)
            if (l.division == division)
                return &l;
    return nullptr;
}

// A dot: an ellipse in the box from p to p + (2, 2). The pen is as wide as the box, so the dot is a solid
// disc; a black brush makes sure the stroke leaves no hole in its middle.
void dot(QPainter& painter, QPoint p)
{
    painter.drawEllipse(QRect(p, QSize(2, 2)));
}

}  // namespace

DialPainter::DialPainter(QSize panel, QColor panelColour)
    : m_geometry(panel), m_panelColour(panelColour), m_picture(panel, QImage::Format_RGB32)
{
    m_picture.fill(Qt::white);
}

void DialPainter::setup(const QByteArray& scaleDivisions, int dialStep)
{
    const std::pair key(scaleDivisions, dialStep);
    auto face = m_faces.constFind(key);
    if (face == m_faces.cend())
        face = m_faces.insert(key, drawFace(scaleDivisions, dialStep));
    m_picture = *face;  // shared until the pointer is drawn on it
}

QImage DialPainter::drawFace(const QByteArray& scaleDivisions, int dialStep) const
{
    const Face* face = faceOf(scaleDivisions);
    const float r = m_geometry.radius();
    QImage picture(m_picture.size(), m_picture.format());
    picture.fill(Qt::white);
    QPainter painter(&picture);
    painter.setBrush(Qt::black);
    QFont font("Liberation Sans");
    font.setPixelSize(11);
    painter.setFont(font);
    const int ascent = QFontMetrics(font).ascent();
    for (int i = 0; i <= dialStep; ++i) {
        painter.setPen(QPen(Qt::black, 1));
        if (const DialLabel* label = labelAt(face, i)) {
            const QPoint anchor = m_geometry.point(i, dialStep, r + 18);
            painter.drawText(anchor.x() - label->dx, anchor.y() - label->dy + ascent, label->text);
        }
        if (face && face->majorEvery > 0 && i % face->majorEvery == 0) {
            painter.setPen(QPen(Qt::black, 2));
            dot(painter, m_geometry.point(i, dialStep, r + 6));
        }
    }
    // The arc: one heavy dot per pointer position, so close together that they merge into a line.
    painter.setPen(QPen(Qt::black, 4));
    const int steps = 10 * dialStep;
    QPoint previous(-1, -1);
    for (int u = 0; u <= steps; ++u) {
        const QPoint p = m_geometry.point(u, steps, r + 3);
        if (p != previous)  // the same dot again would change no pixel
            dot(painter, p);
        previous = p;
    }
    return picture;
}

void DialPainter::run(int position, int dialStep)
{
    QPainter painter(&m_picture);
    painter.setPen(QPen(m_panelColour, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawLine(m_last);
    m_last = m_geometry.pointer(position, 10 * dialStep);
    painter.setPen(QPen(Qt::black, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawLine(m_last);
}
