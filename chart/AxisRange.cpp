#include "chart/AxisRange.h"

#include <cmath>

bool AxisRange::setMinimum(double value)
{
    if (value > m_maximum)
        return false;
    m_minimum = value;
    return true;
}

bool AxisRange::setMaximum(double value)
{
    if (value < m_minimum)
        return false;
    m_maximum = value;
    return true;
}

bool AxisRange::setRange(double minimum, double maximum)
{
    if (minimum > maximum)
        return false;
    m_minimum = minimum;
    m_maximum = maximum;
    return true;
}

qint64 AxisRange::scroll(double offset, const std::optional<DataExtent>& data, qint64 times)
{
    if (offset == 0 || times < 1 || !data)
        return 0;
    // A step moves while data lies beyond the end it moves towards; each move brings that end one offset
    // nearer, so the steps that move are those needed to reach the data, at most `times`.
    const double distance = offset > 0 ? data->high - m_maximum : m_minimum - data->low;
    if (distance <= 0)
        return 0;
    const double needed = std::ceil(distance / std::abs(offset));
    const qint64 moves = needed < double(times) ? qint64(needed) : times;
    pan(double(moves) * offset);
    return moves;
}

void AxisRange::pan(double offset)
{
    m_minimum += offset;
    m_maximum += offset;
    m_automatic = false;
}

DataExtent AxisRange::shown(const std::optional<DataExtent>& data) const
{
    if (m_automatic && data)
        return *data;
    return {m_minimum, m_maximum};
}
