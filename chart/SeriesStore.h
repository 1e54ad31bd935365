// The points of one chart series, kept outside the chart component. Point k sits at horizontal position
// k, so only the values are stored; they live in fixed-size blocks so that adding a point never moves the
// ones before it, however many millions the series holds. Point colours are kept as runs, since a series
// is normally drawn in one colour from end to end.
#pragma once

#include <QColor>
#include <QtGlobal>
#include <algorithm>
#include <memory>
#include <optional>
#include <vector>

#include "chart/AxisRange.h"

class SeriesStore {
public:
    void append(double value, QColor colour);
    void clear();

    qsizetype size() const { return m_size; }
    double value(qsizetype position) const
    {
        return m_blocks[size_t(position >> BlockBits)][size_t(position & BlockMask)];
    }
    // The values from position on that lie next to each other in memory (at least one, at most `wanted`),
    // so long runs can be scanned without looking each point up.
    const double* run(qsizetype position, qsizetype wanted, qsizetype* length) const
    {
        *length = std::min(wanted, BlockSize - (position & BlockMask));
        return &m_blocks[size_t(position >> BlockBits)][size_t(position & BlockMask)];
    }
    QColor colourAt(qsizetype position) const;
    // The one colour of the points first..last, or nothing when they are drawn in several colours.
    std::optional<QColor> uniformColour(qsizetype first, qsizetype last) const;
    // Lowest and highest value of all points; nothing while the series is empty.
    std::optional<DataExtent> valueExtent() const;

private:
    static constexpr int BlockBits = 16;
    static constexpr qsizetype BlockSize = qsizetype(1) << BlockBits;
    static constexpr qsizetype BlockMask = BlockSize - 1;

    struct ColourRun {
        qsizetype first;  // position of the run's first point
        QRgb colour;
    };
    std::vector<ColourRun>::const_iterator runAt(qsizetype position) const;

    std::vector<std::unique_ptr<double[]>> m_blocks;
    qsizetype m_size = 0;
    std::vector<ColourRun> m_runs;
    double m_low = 0;
    double m_high = 0;
};
