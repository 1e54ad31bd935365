// The analog dial picture: the face (scale arc, division dots and labels of the current range) and the
// pointer. The pointer is erased by drawing its last line again in the panel's colour, so the picture
// needs no copy of the face. Each face is drawn once and kept: the meter changes range and function
// often, and drawing the arc's thousand heavy dots takes several milliseconds each time.
#pragma once

#include <QByteArray>
#include <QColor>
#include <QHash>
#include <QImage>
#include <QLine>

#include "display/DialGeometry.h"

class DialPainter {
public:
    explicit DialPainter(QSize panel, QColor panelColour = Qt::white);

    const QImage& picture() const { return m_picture; }
    const DialGeometry& geometry() const { return m_geometry; }
    QLine lastPointer() const { return m_last; }

    // Redraws the whole face for a label set ("6", "10", "7" or "4") and a number of divisions.
    void setup(const QByteArray& scaleDivisions, int dialStep);
    // Moves the pointer to a position out of 10 x dialStep; positions off the scale are not limited.
    void run(int position, int dialStep);

private:
    QImage drawFace(const QByteArray& scaleDivisions, int dialStep) const;

    DialGeometry m_geometry;
    QColor m_panelColour;
    QImage m_picture;
    QHash<std::pair<QByteArray, int>, QImage> m_faces;  // by label set and divisions; a handful at most
    QLine m_last{0, 0, 0, 0};                           // the pointer last drawn; nothing yet at start
};
