// The reading table cds1: numbered, time-stamped readings in the order they were added, no key.
//
// Rows are kept compactly for logs of up to ten million rows: each row holds its number, five ids into a
// pool where every distinct text is stored once, and its instant of admission packed into one number
// (32 bytes a row). Rows live in fixed-size chunks
// shared between copies, so a copy is a cheap, independent snapshot: whoever changes a shared chunk or
// the shared pool first takes a private copy of just that piece.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <array>
#include <memory>
#include <optional>
#include <vector>

#include "record/RowInstant.h"
#include "record/TextPool.h"

struct ReadingRow {
    qint32 No = 0;
    QByteArray time, Value, Unit, V_Range, I_Range;

    friend bool operator==(const ReadingRow&, const ReadingRow&) = default;
};

class ReadingTable {
public:
    enum Field { FieldNo, FieldTime, FieldValue, FieldUnit, FieldVRange, FieldIRange, FieldCount };
    static constexpr int maxTextBytes = 20;  // longer texts are cut when stored

    ReadingTable();

    int rowCount() const { return m_rowCount; }
    ReadingRow row(int index) const;
    QByteArray text(int index, int field) const;  // field 0..5 in field order; No as decimal text
    qint32 number(int index) const;
    // The stored bytes of a text field (1..5), without a copy; valid until the table is next changed.
    QByteArrayView textView(int index, int field) const;
    // When the row was admitted; unknown for rows read from the text and XML files.
    std::optional<RowInstant> instant(int index) const;

    // One row as stored, without copies; the views are valid until the table is next changed.
    struct RowView {
        qint32 No;
        std::array<QByteArrayView, 5> texts;  // time, Value, Unit, V_Range, I_Range
        std::optional<RowInstant> instant = {};
    };
    // Visits every row from first to last: the fast way through millions of rows.
    template <class Visit>
    void visitRows(Visit&& visit) const;
    // The rows in consecutive blocks of up to 65,536, for work shared out block by block. Blocks may be
    // visited side by side while the table is not changed.
    int blockCount() const { return static_cast<int>(m_chunks.size()); }
    template <class Visit>
    void visitBlock(int block, Visit&& visit) const;

    void append(const ReadingRow& row);
    // The same without building a row: texts in field order time, Value, Unit, V_Range, I_Range.
    void append(qint32 No, const std::array<QByteArrayView, 5>& texts, std::optional<RowInstant> instant = {});
    void setInstant(int index, std::optional<RowInstant> instant);
    void removeRow(int index);
    // Keeps the first `rows` rows.
    void truncate(int rows);
    void clear();

    static const QList<QByteArray>& fieldNames();  // "No","time","Value","Unit","V_Range","I_Range"

private:
    static constexpr int textFields = FieldCount - 1;
    struct StoredRow {
        qint32 No;
        std::array<quint32, textFields> texts;
        qint64 instant;  // packed, see ReadingTable.cpp
    };
    static constexpr int chunkRows = 65536;
    using Chunk = std::vector<StoredRow>;

    static qint64 packInstant(const std::optional<RowInstant>& instant);
    static std::optional<RowInstant> unpackInstant(qint64 packed);
    const StoredRow& stored(int index) const;
    int chunkOf(int index) const;
    Chunk& writableChunk(size_t chunk);
    TextPool& writablePool();

    std::vector<std::shared_ptr<Chunk>> m_chunks;
    std::vector<int> m_chunkStart;  // index of each chunk's first row; chunks fill up except after removals
    std::shared_ptr<TextPool> m_pool;
    int m_rowCount = 0;
};

template <class Visit>
void ReadingTable::visitRows(Visit&& visit) const
{
    for (int block = 0; block < blockCount(); ++block)
        visitBlock(block, visit);
}

template <class Visit>
void ReadingTable::visitBlock(int block, Visit&& visit) const
{
    for (const StoredRow& s : *m_chunks[block]) {
        RowView row{s.No, {}, unpackInstant(s.instant)};
        for (int i = 0; i < textFields; ++i)
            row.texts[i] = m_pool->view(s.texts[i]);
        visit(row);
    }
}
