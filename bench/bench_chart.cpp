// The chart on the real Qt Charts surface, offscreen, at the window's size.
// chart_append_us_at_1k / _at_1m: median time of one AddValue and the screen update that follows it
// (the series refilled with the page in view and the chart repainted), around the thousandth and the
// millionth point. chart_page_flip_ms_at_1m: FirstPage then LastPage over a million points at page size 100
// (10,000 pages each way), each followed by the screen update and a repaint. chart_big_page_paint_ms: one
// screen update and repaint of a page of 1,000,000 points; chart_big_page_series_ms and
// chart_big_page_repaint_ms split it into refilling the series and painting. The same append and flip at ten
// million points show that the history's length does not count; chart_clear_ms_at_1k and _at_10m time
// Clear and the screen update (at ten million, mostly the 160 MB of points going back to the system).
#include <QApplication>
#include <QChartView>
#include <QXYSeries>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <vector>

#include "chart/QtChartSurface.h"
#include "chart/ChartPager.h"

namespace {

using Clock = std::chrono::steady_clock;

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

template <typename Work>
double milliseconds(Work work)
{
    const auto start = Clock::now();
    work();
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double reading(qsizetype i)
{
    return 229 + 8 * std::sin(double(i) / 17.0) + double(i % 7);
}

struct Bench {
    Bench()
    {
        view.resize(371, 320);
        view.show();
        QApplication::processEvents();
    }
    // Points added without turning the event loop: the screen catches up once, afterwards.
    void fillTo(qsizetype count)
    {
        while (surface.pointCount(0) - 1 < count)
            pager.AddValue(reading(surface.pointCount(0)));
        QApplication::processEvents();
    }
    void update()
    {
        surface.refresh();
        view.viewport()->repaint();
    }
    // Median microseconds of AddValue plus the screen update, over the points around `around`.
    // Median milliseconds of FirstPage then LastPage, each with the screen update and a repaint.
    double flipMilliseconds()
    {
        std::vector<double> flips;
        for (int i = 0; i < 11; ++i) {
            flips.push_back(milliseconds([&] {
                pager.FirstPage();
                update();
                pager.LastPage();
                update();
            }));
        }
        return median(flips);
    }
    double appendMicroseconds(qsizetype around)
    {
        fillTo(around - 100);
        std::vector<double> times;
        for (int i = 0; i < 201; ++i) {
            times.push_back(1000 * milliseconds([&] {
                                pager.AddValue(reading(surface.pointCount(0)));
                                QApplication::processEvents();
                            }));
        }
        return median(times);
    }

    QChartView view;
    QtChartSurface surface{&view};
    ChartPager pager{surface, 100};
};

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Bench bench;
    bench.pager.SetValueMax(600);
    bench.pager.SetValueMin(-600);

    bench.fillTo(1000);
    std::printf("chart_clear_ms_at_1k: %.2f\n", milliseconds([&] {
                    bench.pager.Clear();
                    bench.update();
                }));
    const double at1k = bench.appendMicroseconds(1000);
    const double at1m = bench.appendMicroseconds(1000000);
    std::printf("chart_append_us_at_1k: %.1f\n", at1k);
    std::printf("chart_append_us_at_1m: %.1f\n", at1m);
    std::printf("chart_append_ratio_1m_1k: %.2f\n", at1m / at1k);

    std::printf("chart_page_flip_ms_at_1m: %.2f\n", bench.flipMilliseconds());
    bench.pager.SetPageSize(1000000);
    bench.pager.FirstPage();  // the first million readings
    bench.update();
    std::vector<double> series, repaint, total;
    for (int i = 0; i < 11; ++i) {
        series.push_back(milliseconds([&] { bench.surface.refresh(); }));
        repaint.push_back(milliseconds([&] { bench.view.viewport()->repaint(); }));
        total.push_back(milliseconds([&] { bench.update(); }));
    }
    std::printf("chart_big_page_paint_ms: %.2f\n", median(total));
    std::printf("chart_big_page_series_ms: %.2f\n", median(series));
    std::printf("chart_big_page_repaint_ms: %.2f\n", median(repaint));
    std::printf("chart_big_page_points_drawn: %lld\n", static_cast<long long>(bench.surface.pointsOf(1)->count()));

    bench.pager.SetPageSize(100);
    std::printf("chart_append_us_at_10m: %.1f\n", bench.appendMicroseconds(10000000));
    std::printf("chart_page_flip_ms_at_10m: %.2f\n", bench.flipMilliseconds());
    std::printf("chart_clear_ms_at_10m: %.2f\n", milliseconds([&] {
                    bench.pager.Clear();
                    bench.update();
                }));
    return 0;
}
