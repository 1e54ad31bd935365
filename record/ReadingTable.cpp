#include "record/ReadingTable.h"

#include <algorithm>
#include <limits>
#include <stdexcept>

#include "display/Cp936.h"

ReadingTable::ReadingTable() : m_pool(std::make_shared<TextPool>()) {}

namespace {
// An instant takes one 64-bit number: the UTC milliseconds times 2^17 plus the offset in seconds moved
// to 0..131071 (offsets reach +-18 hours, 64,800 s). That leaves +-2,200 years around 1970; the lowest
// number, which no instant packs to, stands for unknown.
constexpr qint64 unknownInstant = std::numeric_limits<qint64>::min();
constexpr int offsetBits = 17;
constexpr qint32 offsetBias = 1 << (offsetBits - 1);
constexpr qint64 msLimit = qint64(1) << (63 - offsetBits);
}  // namespace

qint64 ReadingTable::packInstant(const std::optional<RowInstant>& instant)
{
    if (!instant || instant->utcMs <= -msLimit || instant->utcMs >= msLimit || instant->offsetSeconds <= -offsetBias ||
        instant->offsetSeconds >= offsetBias)
        return unknownInstant;
    return instant->utcMs * (qint64(1) << offsetBits) + (instant->offsetSeconds + offsetBias);
}

std::optional<RowInstant> ReadingTable::unpackInstant(qint64 packed)
{
    if (packed == unknownInstant)
        return std::nullopt;
    const qint32 offset = qint32(packed & ((qint64(1) << offsetBits) - 1)) - offsetBias;
    return RowInstant{packed >> offsetBits, offset};
}

const QList<QByteArray>& ReadingTable::fieldNames()
{
    static const QList<QByteArray> names{"No", "time", "Value", "Unit", "V_Range", "I_Range"};
    return names;
}

int ReadingTable::chunkOf(int index) const
{
    if (index < 0 || index >= m_rowCount)
        throw std::out_of_range("reading table row out of range");
    const auto next = std::upper_bound(m_chunkStart.begin(), m_chunkStart.end(), index);
    return static_cast<int>(next - m_chunkStart.begin()) - 1;
}

const ReadingTable::StoredRow& ReadingTable::stored(int index) const
{
    const int chunk = chunkOf(index);
    return (*m_chunks[chunk])[index - m_chunkStart[chunk]];
}

qint32 ReadingTable::number(int index) const
{
    return stored(index).No;
}

QByteArrayView ReadingTable::textView(int index, int field) const
{
    if (field <= FieldNo || field >= FieldCount)
        throw std::out_of_range("not a text field");
    return m_pool->view(stored(index).texts[field - 1]);
}

QByteArray ReadingTable::text(int index, int field) const
{
    if (field == FieldNo)
        return QByteArray::number(number(index));
    return textView(index, field).toByteArray();
}

std::optional<RowInstant> ReadingTable::instant(int index) const
{
    return unpackInstant(stored(index).instant);
}

void ReadingTable::setInstant(int index, std::optional<RowInstant> instant)
{
    const int chunk = chunkOf(index);
    writableChunk(chunk)[index - m_chunkStart[chunk]].instant = packInstant(instant);
}

ReadingRow ReadingTable::row(int index) const
{
    const StoredRow& s = stored(index);
    auto text = [this, &s](int field) { return m_pool->view(s.texts[field - 1]).toByteArray(); };
    return {s.No, text(FieldTime), text(FieldValue), text(FieldUnit), text(FieldVRange), text(FieldIRange)};
}

ReadingTable::Chunk& ReadingTable::writableChunk(size_t chunk)
{
    if (m_chunks[chunk].use_count() > 1) {
        auto own = std::make_shared<Chunk>();
        own->reserve(chunkRows);
        own->assign(m_chunks[chunk]->begin(), m_chunks[chunk]->end());
        m_chunks[chunk] = std::move(own);
    }
    return *m_chunks[chunk];
}

TextPool& ReadingTable::writablePool()
{
    if (m_pool.use_count() > 1)
        m_pool = std::make_shared<TextPool>(*m_pool);
    return *m_pool;
}

void ReadingTable::append(const ReadingRow& row)
{
    append(row.No, {row.time, row.Value, row.Unit, row.V_Range, row.I_Range});
}

void ReadingTable::appendRowOf(const ReadingTable& other, int index)
{
    const ReadingRow row = other.row(index);
    append(row.No, {row.time, row.Value, row.Unit, row.V_Range, row.I_Range}, other.instant(index));
}

void ReadingTable::append(qint32 No, const std::array<QByteArrayView, 5>& texts, std::optional<RowInstant> instant)
{
    if (m_rowCount == std::numeric_limits<int>::max())
        throw std::length_error("reading table is full");
    StoredRow s{No, {}, packInstant(instant)};
    const StoredRow* before = m_rowCount > 0 && !m_chunks.back()->empty() ? &m_chunks.back()->back() : nullptr;
    for (int i = 0; i < textFields; ++i) {
        const QByteArrayView text = cp936::truncated(texts[i], maxTextBytes);
        // Units and ranges mostly repeat the row before: a comparison spares the lookup.
        if (before && m_pool->view(before->texts[i]) == text) {
            s.texts[i] = before->texts[i];
            continue;
        }
        // A shared pool is copied only for a text it does not hold yet.
        const std::optional<quint32> known = m_pool->find(text);
        s.texts[i] = known ? *known : writablePool().intern(text);
    }
    if (m_chunks.empty() || m_chunks.back()->size() >= size_t(chunkRows)) {
        auto chunk = std::make_shared<Chunk>();
        chunk->reserve(chunkRows);
        m_chunks.push_back(std::move(chunk));
        m_chunkStart.push_back(m_rowCount);
    }
    writableChunk(m_chunks.size() - 1).push_back(s);
    ++m_rowCount;
}

void ReadingTable::removeRow(int index)
{
    const int chunk = chunkOf(index);
    Chunk& rows = writableChunk(chunk);
    rows.erase(rows.begin() + (index - m_chunkStart[chunk]));
    size_t later = chunk + 1;
    if (rows.empty()) {
        m_chunks.erase(m_chunks.begin() + chunk);
        m_chunkStart.erase(m_chunkStart.begin() + chunk);
        later = chunk;
    }
    for (; later < m_chunkStart.size(); ++later)
        --m_chunkStart[later];
    --m_rowCount;
}

void ReadingTable::truncate(int rows)
{
    while (m_rowCount > std::max(rows, 0)) {
        const size_t last = m_chunks.size() - 1;
        const int inLast = m_rowCount - m_chunkStart[last];
        const int drop = std::min(inLast, m_rowCount - std::max(rows, 0));
        if (drop == inLast) {
            m_chunks.pop_back();
            m_chunkStart.pop_back();
        } else {
            Chunk& chunk = writableChunk(last);
            chunk.resize(chunk.size() - size_t(drop));
        }
        m_rowCount -= drop;
    }
}

void ReadingTable::clear()
{
    *this = ReadingTable();
}
