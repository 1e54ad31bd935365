#include "chart/QtChartSurface.h"

#include <QAreaSeries>
#include <QChart>
#include <QChartView>
#include <QGraphicsLayout>
#include <QLineSeries>
#include <QValueAxis>
#include <algorithm>
#include <cmath>

#include "chart/AxisTicks.h"
#include "chart/ChartPanner.h"
#include "chart/PageEnvelope.h"

namespace {

const QColor Silver(192, 192, 192);
const QColor AreaYellow(255, 255, 128);
const QColor AreaOutline(0, 128, 255);
const QColor LineGreen(128, 255, 0);

// With the title line, room for the chart's own row of controls along its top edge.
constexpr int ToolRowHeight = 10;
// Pixels per label, so labels never crowd each other.
constexpr int PixelsPerBottomLabel = 45;
constexpr int PixelsPerLeftLabel = 28;

QFont arial(int points)
{
    QFont font(QStringLiteral("Arial"), points);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

void styleAxis(QValueAxis* axis)
{
    axis->setTickType(QValueAxis::TicksDynamic);
    axis->setTickAnchor(0);
    axis->setMinorTickCount(4);
    axis->setLabelsFont(arial(8));
    axis->setLabelsColor(Qt::black);
    axis->setLinePen(QPen(Qt::black, 1));
    axis->setGridLinePen(QPen(Silver, 1, Qt::DotLine));
    axis->setMinorGridLineVisible(false);
    axis->setTitleVisible(false);
}

}  // namespace

QtChartSurface::QtChartSurface(QChartView* view)
    : MemoryChartSurface(2), m_view(view), m_chart(new QChart), m_area(new QAreaSeries),
      m_areaEdge(new QLineSeries(m_area)), m_line(new QLineSeries), m_bottom(new QValueAxis), m_left(new QValueAxis)
{
    m_refreshTimer.setSingleShot(true);
    m_refreshTimer.setInterval(0);
    QObject::connect(&m_refreshTimer, &QTimer::timeout, &m_refreshTimer, [this] { refresh(); });

    QChart* previous = m_view->chart();
    m_view->setChart(m_chart);  // the view owns the chart, and the chart its series and axes
    delete previous;

    m_area->setObjectName(QStringLiteral("Series2"));
    m_area->setUpperSeries(m_areaEdge);
    m_line->setObjectName(QStringLiteral("Series1"));
    m_chart->addSeries(m_area);
    m_chart->addSeries(m_line);
    m_chart->addAxis(m_bottom, Qt::AlignBottom);
    m_chart->addAxis(m_left, Qt::AlignLeft);
    for (QAbstractSeries* series : {static_cast<QAbstractSeries*>(m_area), static_cast<QAbstractSeries*>(m_line)}) {
        series->attachAxis(m_bottom);
        series->attachAxis(m_left);
    }
    buildLook();

    // The vertical axis keeps its design range until the first unit sets one.
    setAxisAutomatic(Axis::Left, false);
    setAxisMaximum(Axis::Left, 11000);
    setAxisMinimum(Axis::Left, -11000);

    // A new plot width changes how many points the series need.
    QObject::connect(m_chart, &QChart::plotAreaChanged, &m_refreshTimer, [this] { changed(); });
    m_panner = std::make_unique<ChartPanner>(m_view, [this](double bottom, double left) { pan(bottom, left); });
    refresh();
}

QtChartSurface::~QtChartSurface() = default;

void QtChartSurface::buildLook()
{
    m_chart->legend()->hide();
    m_chart->setTitle(QStringLiteral("  "));
    m_chart->setTitleFont(arial(8));
    m_chart->setTitleBrush(Qt::black);
    m_chart->setAnimationOptions(QChart::NoAnimation);
    m_chart->setBackgroundRoundness(0);
    m_chart->setDropShadowEnabled(false);
    QLinearGradient gradient(0, 0, 0, 1);
    gradient.setCoordinateMode(QGradient::ObjectBoundingMode);
    gradient.setColorAt(0, Silver);
    gradient.setColorAt(1, Qt::white);
    m_chart->setBackgroundBrush(gradient);
    m_chart->setBackgroundPen(QPen(Silver, 1));
    m_chart->setPlotAreaBackgroundVisible(true);
    m_chart->setPlotAreaBackgroundBrush(Qt::white);
    m_chart->setPlotAreaBackgroundPen(QPen(Silver, 1));
    m_chart->setMargins(QMargins(2, ToolRowHeight, 8, 2));
    m_chart->layout()->setContentsMargins(0, 0, 0, 0);

    m_view->setFrameShape(QFrame::Panel);
    m_view->setFrameShadow(QFrame::Sunken);
    m_view->setLineWidth(1);
    m_view->setBackgroundBrush(Silver);
    m_view->setRenderHint(QPainter::Antialiasing, true);
    m_view->setRubberBand(QChartView::NoRubberBand);

    m_area->setBrush(AreaYellow);
    m_area->setPen(QPen(AreaOutline, 1));
    m_area->setPointsVisible(false);
    m_area->setPointLabelsVisible(false);
    m_line->setPen(QPen(LineGreen, 2));
    m_line->setPointsVisible(false);
    m_line->setPointLabelsVisible(false);

    styleAxis(m_bottom);
    styleAxis(m_left);
}

void QtChartSurface::changed()
{
    if (!m_refreshTimer.isActive())
        m_refreshTimer.start();
}

void QtChartSurface::refresh()
{
    m_refreshTimer.stop();
    // A resize lays the chart out only at the next turn of the event loop; the plot's width is needed now.
    if (!m_chart->layout()->isActivated())
        m_chart->layout()->activate();
    showAxis(Axis::Bottom);
    showAxis(Axis::Left);
    // One point pair per pixel column at most; before the chart is laid out, the view's width stands in.
    const qreal width = m_chart->plotArea().width() > 0 ? m_chart->plotArea().width() : m_view->width();
    const int columns = std::max(1, int(std::ceil(width)));
    for (int series = 0; series < seriesCount(); ++series)
        showSeries(series, columns);
}

void QtChartSurface::showAxis(Axis axis)
{
    QValueAxis* qtAxis = axis == Axis::Bottom ? m_bottom : m_left;
    const bool positions = axis == Axis::Bottom;
    DataExtent range = shownRange(axis);
    if (range.high <= range.low) {
        // An axis needs a span to draw on. A page of one position gets half a position either side, so
        // no other position comes into view; a single value gets one either side.
        const double half = positions ? 0.5 : 1;
        range = {range.low - half, range.low + half};
    }
    const qreal length = positions ? m_chart->plotArea().width() : m_chart->plotArea().height();
    const int pixelsPerLabel = positions ? PixelsPerBottomLabel : PixelsPerLeftLabel;
    AxisTicks ticks = axisTicks(range.high - range.low, std::max(2, int(length) / pixelsPerLabel));
    if (positions && ticks.step < 1)  // readings sit at whole positions: no labels between them
        ticks = {1, QStringLiteral("%.0f")};
    qtAxis->setTickInterval(ticks.step);
    // The axis lays out and typesets all its labels again on every format given, even the same one.
    if (qtAxis->labelFormat() != ticks.labelFormat)
        qtAxis->setLabelFormat(ticks.labelFormat);
    qtAxis->setRange(range.low, range.high);
}

QAbstractSeries* QtChartSurface::drawnSeries(int series) const
{
    return series == 0 ? static_cast<QAbstractSeries*>(m_area) : m_line;
}

QXYSeries* QtChartSurface::pointsOf(int series) const
{
    return series == 0 ? static_cast<QXYSeries*>(m_areaEdge) : m_line;
}

void QtChartSurface::showSeries(int series, int columns)
{
    drawnSeries(series)->setVisible(seriesShown(series));
    QXYSeries* target = pointsOf(series);
    const SeriesStore& points = store(series);
    if (!seriesShown(series) || points.size() == 0) {
        target->clear();
        return;
    }
    const DataExtent view = shownRange(Axis::Bottom);
    // The positions in view and one neighbour on each side, so the line leaves the plot at its edges.
    const qsizetype first = std::max<qsizetype>(0, qsizetype(std::floor(view.low)) - 1);
    const qsizetype last = std::min<qsizetype>(points.size() - 1, qsizetype(std::ceil(view.high)) + 1);
    // A band one range wide either side of the plot keeps the line's edges and width out of sight.
    const DataExtent values = shownRange(Axis::Left);
    const double margin = std::max(values.high - values.low, 1.0);
    target->replace(withinBand(pageEnvelope(points, first, last, view.low, view.high, columns), values.low - margin,
                               values.high + margin));
    // Points given a colour of their own draw the curve in it; the area keeps its fill.
    const std::optional<QColor> colour = first <= last ? points.uniformColour(first, last) : std::nullopt;
    if (series == 0) {
        QPen pen = m_area->pen();
        pen.setColor(colour.value_or(AreaOutline));
        m_area->setPen(pen);
    } else {
        QPen pen = m_line->pen();
        pen.setColor(colour.value_or(LineGreen));
        m_line->setPen(pen);
    }
}
