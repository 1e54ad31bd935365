// Reducing a huge page to what its pixel columns can show.
#include <gtest/gtest.h>
#include <random>

#include "chart/PageEnvelope.h"

namespace {

SeriesStore storeOf(const std::vector<double>& values)
{
    SeriesStore store;
    for (double v : values)
        store.append(v, Qt::blue);
    return store;
}

TEST(PageEnvelope, APageThatFitsIsHandedOverWhole)
{
    const SeriesStore store = storeOf({0, 5, -2, 7, 7, 1});
    const QList<QPointF> points = pageEnvelope(store, 1, 4, 2, 3, 10);
    ASSERT_EQ(points.size(), 4);
    EXPECT_EQ(points[0], QPointF(1, 5));
    EXPECT_EQ(points[3], QPointF(4, 7));
}

TEST(PageEnvelope, NothingInViewGivesNoPoints)
{
    const SeriesStore store = storeOf({0, 1});
    EXPECT_TRUE(pageEnvelope(store, 5, 4, 100, 200, 10).isEmpty());
}

// Every column keeps its lowest and highest point, in the order they came, and nothing else.
TEST(PageEnvelope, KeepsEachColumnsExtremesInOrder)
{
    std::mt19937 random(7);
    std::uniform_real_distribution<double> noise(-100, 100);
    std::vector<double> values(10001);
    for (double& v : values)
        v = noise(random);
    const SeriesStore store = storeOf(values);
    const int columns = 37;
    const double xMin = 1, xMax = 10000;
    const QList<QPointF> points = pageEnvelope(store, 0, 10000, xMin, xMax, columns);

    // The same reduction done the slow way: group positions by column.
    std::map<long, std::pair<qsizetype, qsizetype>> extremes;  // column -> (lowest, highest)
    for (qsizetype k = 0; k <= 10000; ++k) {
        const long column = long(std::floor((double(k) - xMin) * columns / (xMax - xMin)));
        auto [it, fresh] = extremes.try_emplace(column, k, k);
        if (!fresh) {
            if (values[size_t(k)] < values[size_t(it->second.first)])
                it->second.first = k;
            if (values[size_t(k)] > values[size_t(it->second.second)])
                it->second.second = k;
        }
    }
    QList<QPointF> expected;
    for (const auto& [column, pair] : extremes) {
        const qsizetype a = std::min(pair.first, pair.second), b = std::max(pair.first, pair.second);
        expected.append(QPointF(double(a), values[size_t(a)]));
        if (b != a)
            expected.append(QPointF(double(b), values[size_t(b)]));
    }
    EXPECT_EQ(points, expected);
    EXPECT_LE(points.size(), 2 * (columns + 2));
}

TEST(PageEnvelope, AFlatColumnGivesOnePoint)
{
    const SeriesStore store = storeOf(std::vector<double>(1001, 4.0));
    const QList<QPointF> points = pageEnvelope(store, 0, 1000, 0, 1000, 10);
    // Ten full columns and the last position on its own column.
    EXPECT_EQ(points.size(), 11);
    for (const QPointF& p : points)
        EXPECT_EQ(p.y(), 4.0);
}

}  // namespace
