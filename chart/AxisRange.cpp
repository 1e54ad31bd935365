#include "chart/AxisRange.h"

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

bool AxisRange::scroll(double offset, const std::optional<DataExtent>& data)
{
    if (offset == 0 || !data)
        return false;
    const bool somethingToSee = offset > 0 ? data->high > m_maximum : data->low < m_minimum;
    if (!somethingToSee)
        return false;
    pan(offset);
    return true;
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
