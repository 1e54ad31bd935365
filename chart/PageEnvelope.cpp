#include "chart/PageEnvelope.h"

#include <algorithm>
#include <cmath>

namespace {

// Lowest and highest point of one pixel column, in the order they came.
void appendColumn(QList<QPointF>& points, const SeriesStore& store, qsizetype first, qsizetype last)
{
    qsizetype low = first;
    qsizetype high = first;
    double lowValue = store.value(first);
    double highValue = lowValue;
    for (qsizetype k = first + 1; k <= last; ++k) {
        const double v = store.value(k);
        if (v < lowValue) {
            low = k;
            lowValue = v;
        } else if (v > highValue) {
            high = k;
            highValue = v;
        }
    }
    const qsizetype earlier = std::min(low, high);
    const qsizetype later = std::max(low, high);
    points.append(QPointF(double(earlier), store.value(earlier)));
    if (later != earlier)
        points.append(QPointF(double(later), store.value(later)));
}

}  // namespace

QList<QPointF> pageEnvelope(const SeriesStore& store, qsizetype first, qsizetype last, double xMin, double xMax,
                            int columns)
{
    QList<QPointF> points;
    if (last < first)
        return points;
    const qsizetype count = last - first + 1;
    if (count <= columns || xMax <= xMin) {
        points.reserve(count);
        for (qsizetype k = first; k <= last; ++k)
            points.append(QPointF(double(k), store.value(k)));
        return points;
    }
    points.reserve(2 * (columns + 2));
    const double columnsPerPosition = columns / (xMax - xMin);
    auto columnOf = [&](qsizetype k) { return std::floor((double(k) - xMin) * columnsPerPosition); };
    qsizetype start = first;
    double column = columnOf(first);
    for (qsizetype k = first + 1; k <= last; ++k) {
        const double c = columnOf(k);
        if (c != column) {
            appendColumn(points, store, start, k - 1);
            start = k;
            column = c;
        }
    }
    appendColumn(points, store, start, last);
    return points;
}
