// The chart's part of the main window: the pager over the screen chart, the page-size box and the
// remembered placement of the chart while it is enlarged.
#pragma once

#include <QRect>

#include "chart/PageSizeEdit.h"
#include "chart/QtChartSurface.h"
#include "chart/ChartPager.h"

class QChartView;

struct ChartState {
    explicit ChartState(QChartView* Chtshow);

    QtChartSurface surface;  // the chart on screen, keeping every point plotted since the last clear
    ChartPager ChartCtl;     // the pager: the only code that changes what the chart holds and shows
    PageSizeKeyFilter pageSizeKeys;
    QRect placement;  // where the chart stood before the last enlargement; empty until then
};
