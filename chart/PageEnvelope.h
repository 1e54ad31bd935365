// The points a series hands to the screen for the part of the chart in view. A page with more points than
// the plot has pixel columns is reduced to the lowest and highest point of each column, in the order they
// came: the drawn line covers the same pixels, and drawing costs follow the plot's width instead of the
// page size.
#pragma once

#include <QList>
#include <QPointF>

#include "chart/SeriesStore.h"

// Points first..last of the store (positions in view plus one neighbour each side, so the line runs off
// the edges) for a view of xMin..xMax drawn over the given number of pixel columns.
QList<QPointF> pageEnvelope(const SeriesStore& store, qsizetype first, qsizetype last, double xMin, double xMax,
                            int columns);

// The same line with every part beyond low..high run along that edge instead. Drawn inside low..high it
// looks the same, but drawing stays cheap: a line reaching far past the plot, as earlier readings do
// after the range changes to a smaller unit's, costs the painter many times more than one in view.
QList<QPointF> withinBand(const QList<QPointF>& points, double low, double high);
