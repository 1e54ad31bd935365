#include "chart/SeriesStore.h"

#include <algorithm>

void SeriesStore::append(double value, QColor colour)
{
    const size_t block = size_t(m_size >> BlockBits);
    if (block == m_blocks.size())
        m_blocks.push_back(std::make_unique_for_overwrite<double[]>(size_t(BlockSize)));
    m_blocks[block][size_t(m_size & BlockMask)] = value;

    const QRgb rgb = colour.rgba();
    if (m_runs.empty() || m_runs.back().colour != rgb)
        m_runs.push_back({m_size, rgb});

    m_low = m_size == 0 ? value : std::min(m_low, value);
    m_high = m_size == 0 ? value : std::max(m_high, value);
    ++m_size;
}

void SeriesStore::clear()
{
    m_blocks.clear();
    m_runs.clear();
    m_size = 0;
}

std::vector<SeriesStore::ColourRun>::const_iterator SeriesStore::runAt(qsizetype position) const
{
    // The last run that starts at or before the position.
    auto after = std::upper_bound(m_runs.begin(), m_runs.end(), position,
                                  [](qsizetype p, const ColourRun& run) { return p < run.first; });
    return std::prev(after);
}

QColor SeriesStore::colourAt(qsizetype position) const
{
    return QColor::fromRgba(runAt(position)->colour);
}

std::optional<QColor> SeriesStore::uniformColour(qsizetype first, qsizetype last) const
{
    const auto run = runAt(first);
    const auto next = std::next(run);
    if (next != m_runs.end() && next->first <= last)
        return std::nullopt;
    return QColor::fromRgba(run->colour);
}

std::optional<DataExtent> SeriesStore::valueExtent() const
{
    if (m_size == 0)
        return std::nullopt;
    return DataExtent{m_low, m_high};
}
