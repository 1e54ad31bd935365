#include "chart/PageEnvelope.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace {

// Lowest and highest point of one pixel column, in the order they came.
void appendColumn(QList<QPointF>& points, const SeriesStore& store, qsizetype first, qsizetype last)
{
    qsizetype low = first;
    qsizetype high = first;
    double lowValue = store.value(first);
    double highValue = lowValue;
    for (qsizetype position = first; position <= last;) {
        qsizetype length = 0;
        const double* values = store.run(position, last - position + 1, &length);
        for (qsizetype i = 0; i < length; ++i) {
            if (values[i] < lowValue) {
                lowValue = values[i];
                low = position + i;
            } else if (values[i] > highValue) {
                highValue = values[i];
                high = position + i;
            }
        }
        position += length;
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
    // Column of a position: whole pixel columns from the left end of the view (the neighbours outside it
    // fall in columns of their own).
    const double columnsPerPosition = columns / (xMax - xMin);
    auto columnOf = [&](qsizetype k) { return std::floor((double(k) - xMin) * columnsPerPosition); };
    for (qsizetype start = first; start <= last;) {
        const double column = columnOf(start);
        // The first position of the next column: estimated, then settled by the same rule as above.
        qsizetype next = std::max(start + 1, qsizetype(std::ceil(xMin + (column + 1) / columnsPerPosition)));
        while (next > start + 1 && columnOf(next - 1) != column)
            --next;
        while (next <= last && columnOf(next) == column)
            ++next;
        appendColumn(points, store, start, std::min(next, last + 1) - 1);
        start = next;
    }
    return points;
}

QList<QPointF> withinBand(const QList<QPointF>& points, double low, double high)
{
    QList<QPointF> kept;
    kept.reserve(points.size());
    for (qsizetype i = 0; i < points.size(); ++i) {
        if (i > 0) {
            // Where the segment from the point before crosses the edges, in order along it.
            const QPointF a = points[i - 1];
            const QPointF b = points[i];
            std::array<double, 2> edges{low, high};
            if (b.y() < a.y())
                std::swap(edges[0], edges[1]);
            for (double edge : edges) {
                if ((a.y() - edge) * (b.y() - edge) < 0) {
                    const double t = (edge - a.y()) / (b.y() - a.y());
                    kept.append(QPointF(a.x() + t * (b.x() - a.x()), edge));
                }
            }
        }
        kept.append(QPointF(points[i].x(), std::clamp(points[i].y(), low, high)));
    }
    return kept;
}
