// Reducing a huge page to what its pixel columns can show, and keeping lines that reach far past the plot
// cheap to draw.
#include <QImage>
#include <QPainter>
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

struct View {
    double xMin, xMax;
    int columns;
};

class Envelope : public ::testing::TestWithParam<View> {};

// The same reduction done the slow way: positions grouped by the column they fall in.
QList<QPointF> slowEnvelope(const std::vector<double>& values, qsizetype first, qsizetype last, View view)
{
    std::map<long, std::pair<qsizetype, qsizetype>> extremes;  // column -> (lowest, highest)
    const double columnsPerPosition = view.columns / (view.xMax - view.xMin);
    for (qsizetype k = first; k <= last; ++k) {
        const long column = long(std::floor((double(k) - view.xMin) * columnsPerPosition));
        auto [it, fresh] = extremes.try_emplace(column, k, k);
        if (!fresh) {
            if (values[size_t(k)] < values[size_t(it->second.first)])
                it->second.first = k;
            if (values[size_t(k)] > values[size_t(it->second.second)])
                it->second.second = k;
        }
    }
    QList<QPointF> points;
    for (const auto& [column, pair] : extremes) {
        const qsizetype a = std::min(pair.first, pair.second), b = std::max(pair.first, pair.second);
        points.append(QPointF(double(a), values[size_t(a)]));
        if (b != a)
            points.append(QPointF(double(b), values[size_t(b)]));
    }
    return points;
}

// Every column keeps its lowest and highest point, in the order they came, and nothing else: for noise,
// and for a rising line, where every column's first and last point are its extremes, so a point put in
// the wrong column always shows.
TEST_P(Envelope, KeepsEachColumnsExtremesInOrder)
{
    const View view = GetParam();
    std::vector<double> values(size_t(std::ceil(view.xMax)) + 2);  // the view and a neighbour beyond it
    const qsizetype first = std::max<qsizetype>(0, qsizetype(std::floor(view.xMin)) - 1);
    const qsizetype last = qsizetype(values.size()) - 1;
    std::mt19937 random(7);
    std::uniform_real_distribution<double> noise(-100, 100);
    for (bool rising : {false, true}) {
        for (size_t k = 0; k < values.size(); ++k)
            values[k] = rising ? double(k) : noise(random);
        const QList<QPointF> points = pageEnvelope(storeOf(values), first, last, view.xMin, view.xMax, view.columns);
        EXPECT_EQ(points, slowEnvelope(values, first, last, view)) << (rising ? "rising" : "noise");
        EXPECT_LE(points.size(), 2 * (view.columns + 2));
    }
}

INSTANTIATE_TEST_SUITE_P(Views, Envelope,
                         ::testing::Values(View{1, 10000, 37},        // a page from its start
                                           View{60001, 70000, 311},   // the newest page, across blocks
                                           View{0.37, 52000.2, 743},  // a view dragged off the page grid
                                           View{1, 70000, 3},
                                           // Views whose column edges fall where rounding misleads a
                                           // first estimate, one each way.
                                           View{265465, 826552, 69}, View{23490, 1479993, 138}));

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

namespace {
// The line as the plot shows it: values low..high over the image's height, antialiased and 2 pixels wide.
QImage plotted(const QList<QPointF>& points, double low, double high)
{
    QImage image(300, 150, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::darkGreen, 2));
    painter.setClipRect(image.rect());
    QPolygonF polygon;
    for (const QPointF& p : points)
        polygon << QPointF(p.x() * 300.0 / 40, (high - p.y()) * 150.0 / (high - low));
    painter.drawPolyline(polygon);
    return image;
}

int largestDifference(const QImage& a, const QImage& b)
{
    int largest = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            largest = std::max(
                {largest, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)), std::abs(qBlue(p) - qBlue(q))});
        }
    }
    return largest;
}
}  // namespace

TEST(PageEnvelope, ALineKeptWithinItsBandLooksTheSameInView)
{
    std::mt19937 random(7);
    // Far points lie dozens of plots away: far enough that every segment to one runs steeply through the view
    // and off it, near enough that the reference drawing of the whole line stays quick.
    std::uniform_real_distribution<double> far(-60, 60), near(-1.5, 1.5);
    for (int round = 0; round < 20; ++round) {
        QList<QPointF> line;
        for (int x = 0; x <= 40; ++x)
            line << QPointF(x, round % 2 ? far(random) : near(random));
        const QList<QPointF> kept = withinBand(line, -2, 2);
        for (const QPointF& p : kept)
            ASSERT_TRUE(p.y() >= -2 && p.y() <= 2);
        // A line to a point far beyond the plot is itself rounded on its way into view.
        EXPECT_LE(largestDifference(plotted(kept, -1, 1), plotted(line, -1, 1)), 4) << "round " << round;
    }
    // Points inside the band are handed over as they are.
    const QList<QPointF> inside{{0, -2}, {1, 0.5}, {2, 2}};
    EXPECT_EQ(withinBand(inside, -2, 2), inside);
    // A segment through the whole band crosses both edges, in order.
    EXPECT_EQ(withinBand({{0, 10}, {1, -10}}, -2, 2), (QList<QPointF>{{0, 2}, {0.4, 2}, {0.6, -2}, {1, -2}}));
}
