#include "display/DialGeometry.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

// The base of a nearly horizontal pointer lies far away; beyond this it is drawn clipped all the same.
constexpr double kFarAway = 1.0e6;

// Nearest integer, halves to the even neighbour (the default rounding mode).
int nearest(double v)
{
    if (!std::isfinite(v))
        return v > 0 ? int(kFarAway) : -int(kFarAway);
    return int(std::nearbyint(std::clamp(v, -kFarAway, kFarAway)));
}

}  // namespace

DialGeometry::DialGeometry(QSize panel) : m_w(panel.width() - 2 * kMarginX), m_h(panel.height() - 2 * kMarginY)
{
    const double w = m_w;
    const double h = m_h;
    m_r = float((4 * h * h + w * w) / (8 * h));
    // The sweep is worked out with 3.1415, as the dial always has been; the angles use the full pi.
    m_a = float(2 * std::atan((w / 2) / (double(m_r) - h)) * 180 / 3.1415);
    m_s = float((180 - double(m_a)) / 2);
}

float DialGeometry::angle(int u, int steps) const
{
    return float((double(m_a) / steps * u + double(m_s)) * std::numbers::pi / 180);
}

QPoint DialGeometry::point(int u, int steps, float rho) const
{
    const double theta = angle(u, steps);
    return {nearest(m_w / 2.0 - double(rho) * std::cos(theta) + kMarginX),
            nearest(double(m_r) - double(rho) * std::sin(theta) + kMarginY)};
}

QLine DialGeometry::pointer(int position, int steps) const
{
    const double theta = angle(position, steps);
    const double r = m_r;
    const QPoint tip(nearest(m_w / 2.0 - r * std::cos(theta)) + kMarginX,
                     nearest(r - r * std::sin(theta) + 4) + kMarginY);
    const QPoint base(nearest(m_w / 2.0 - (r - m_h - 280) * std::cos(theta) / std::sin(theta)) + kMarginX,
                      nearest(280.0 + m_h) + kMarginY);
    return {tip, base};
}
