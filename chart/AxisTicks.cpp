#include "chart/AxisTicks.h"

#include <algorithm>
#include <cmath>

AxisTicks axisTicks(double span, int maxLabels)
{
    const double rough = std::max(span, 1e-9) / std::max(1, maxLabels);
    const double decade = std::pow(10.0, std::floor(std::log10(rough)));
    double step = decade * 10;
    for (const double factor : {1.0, 2.0, 5.0}) {
        if (decade * factor >= rough) {
            step = decade * factor;
            break;
        }
    }
    const int decimals = std::max(0, int(-std::floor(std::log10(step) + 1e-9)));
    return {step, QStringLiteral("%.%1f").arg(decimals)};
}
