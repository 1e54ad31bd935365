// One axis of the chart with the chart component's rules: a manual range that refuses to turn inside
// out, an automatic mode that spans the data, and a scroll that moves only towards data out of sight.
#pragma once

#include <QtGlobal>
#include <optional>

// The smallest and largest coordinate of the points on an axis.
struct DataExtent {
    double low = 0;
    double high = 0;
};

class AxisRange {
public:
    bool automatic() const { return m_automatic; }
    void setAutomatic(bool automatic) { m_automatic = automatic; }
    // The manual range; an automatic axis shows the data's extent instead (see shown()).
    double minimum() const { return m_minimum; }
    double maximum() const { return m_maximum; }
    bool setMinimum(double value);
    bool setMaximum(double value);
    bool setRange(double minimum, double maximum);
    // Scrolls `times` steps of `offset`, each limited on its own (see ChartSurface::scrollAxis); returns the
    // steps that moved. Worked out at once rather than step by step, so paging across a million pages
    // costs no more than across one.
    qint64 scroll(double offset, const std::optional<DataExtent>& data, qint64 times);
    // Moves both ends freely, as dragging the chart with the mouse does.
    void pan(double offset);
    // What the axis spans on screen.
    DataExtent shown(const std::optional<DataExtent>& data) const;

private:
    bool m_automatic = true;
    double m_minimum = 0;
    double m_maximum = 0;
};
