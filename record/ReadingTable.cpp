#include "record/ReadingTable.h"

#include <algorithm>
#include <limits>
#include <stdexcept>

#include "record/Cp936.h"

ReadingTable::ReadingTable() : m_pool(std::make_shared<TextPool>()) {}

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

void ReadingTable::append(qint32 No, const std::array<QByteArrayView, 5>& texts)
{
    if (m_rowCount == std::numeric_limits<int>::max())
        throw std::length_error("reading table is full");
    StoredRow s{No, {}};
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

void ReadingTable::clear()
{
    *this = ReadingTable();
}
