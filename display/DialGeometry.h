// Where things lie on the analog dial: a scale arc through the lower corners of the margins and the top
// middle, swept from left to right. The values are single precision and pixel positions are rounded to
// the nearest integer with halves going to the even neighbour, which is what puts every dot and the
// pointer on the same pixels as the meter program always drew them.
#pragma once

#include <QLine>
#include <QPoint>
#include <QSize>

class DialGeometry {
public:
    static constexpr int kMarginX = 20;
    static constexpr int kMarginY = 30;

    explicit DialGeometry(QSize panel);

    int width() const { return m_w; }     // W: panel width less both side margins
    int height() const { return m_h; }    // H: panel height less top and bottom margins
    float radius() const { return m_r; }  // R
    float sweep() const { return m_a; }   // A, degrees
    float start() const { return m_s; }   // S, degrees

    // Angle, radians, of position u out of steps equal steps: 0 at the left end, steps at the right.
    float angle(int u, int steps) const;
    // The point at distance rho from the centre in the direction of position u out of steps.
    QPoint point(int u, int steps, float rho) const;
    // The pointer for a dial position out of steps: from the tip on the scale radius to its base, far
    // below the picture on the same radius line.
    QLine pointer(int position, int steps) const;

private:
    int m_w;
    int m_h;
    float m_r;
    float m_a;
    float m_s;
};
