// Label steps for a chart axis: round numbers (1, 2 or 5 times a power of ten) so that labels read as a
// meter's scale does, whatever range the pager or the unit sets.
#pragma once

#include <QString>

struct AxisTicks {
    double step;          // distance between labelled ticks
    QString labelFormat;  // printf-style, with as many decimals as the step needs
};

// Ticks for a span of the axis that leave room for at most maxLabels labels.
AxisTicks axisTicks(double span, int maxLabels);
