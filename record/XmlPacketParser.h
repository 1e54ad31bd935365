// Reads the elements of a data packet as a QXmlStreamReader hands them over, keeping only what it needs
// of the path to each: the six fields, then the rows. A packet's ROWDATA may also be read in pieces, each
// by its own reader and parser, and the pieces' rows merged in order into the parser of the whole packet.
#pragma once

#include <QStringView>
#include <QXmlStreamAttributes>
#include <array>
#include <optional>
#include <vector>

#include "record/ReadingTable.h"

class QXmlStreamReader;

// Rows as the packet gives them, before they are merged into the table: each with its change state and
// the fields it carries, texts already in code page 936.
class RowBatch {
public:
    static constexpr int textFields = ReadingTable::FieldCount - 1;
    struct Row {
        qint32 state = 0;
        qint32 No = 0;
        quint8 fields = 0;                          // bit per field in field order: which attributes the row carries
        std::array<quint32, textFields> offsets{};  // each text in the batch's bytes
        std::array<quint8, textFields> sizes{};     // stored texts are 20 bytes at the most
    };

    // False when a number of the row is no number. Deleted rows are left out.
    bool add(const QXmlStreamAttributes& attributes, const std::array<QString, ReadingTable::FieldCount>& names);
    // Row by row for other readers: open a row, set its texts, then keep it as it is or drop it.
    Row& openRow();
    static void setNumber(Row& row, qint32 No)
    {
        row.No = No;
        row.fields |= 1;
    }
    void setText(Row& row, int textField, QByteArrayView cp936Text);
    void dropOpenRow();

    const std::vector<Row>& rows() const { return m_rows; }
    QByteArrayView text(const Row& row, int textField) const;
    void clear();

    // The same rows with the same fields and texts.
    friend bool operator==(const RowBatch& a, const RowBatch& b);

private:
    std::vector<Row> m_rows;
    std::vector<char> m_bytes;
    size_t m_openRowBytes = 0;
};

// Rows of a piece of a packet's ROWDATA cut apart between two ROW elements; not ok when the piece is not
// well-formed on its own or a number in it is no number.
struct PieceRows {
    RowBatch rows;
    bool ok = false;
};
// Plain rows are read directly; any other piece by the general reader.
PieceRows rowsOfPiece(const QByteArray& piece);
PieceRows rowsOfPieceByReader(const QByteArray& piece);

class PacketParser {
public:
    enum class Step { Done, NeedData, Refused };

    // Reads a whole packet; its rows go into the table as they are read.
    PacketParser();
    // Reads a piece of a packet's ROWDATA put between <ROWDATA> and </ROWDATA>; its rows stay in rows().
    static PacketParser forRowData();

    // Reads until the document ends, the reader needs more data, or what it reads is no packet.
    Step read(QXmlStreamReader& xml);
    // True when the last element the parser saw start is the packet's ROWDATA and it is still open.
    bool inRowData() const;

    // The rows a parser for a piece of ROWDATA has read.
    RowBatch takeRows() { return std::move(m_batch); }
    // Merges rows read elsewhere, as if they came next in this packet.
    void merge(const RowBatch& rows);
    // The packet's table, when the packet had the six fields.
    std::optional<ReadingTable> finish();

private:
    static constexpr size_t kMaxDepth = 16;
    enum class Element { None, DataPacket, Metadata, Fields, RowData, Other };

    bool startElement(QXmlStreamReader& xml);
    bool addField(const QXmlStreamAttributes& attributes);
    int fieldOf(QStringView name) const;
    bool fieldsComplete() const;
    void flush();

    std::array<QString, ReadingTable::FieldCount> m_names;
    std::vector<Element> m_path;
    std::array<bool, ReadingTable::FieldCount> m_fieldSeen{};
    bool m_mergesRows = true;
    RowBatch m_batch;
    bool m_hasPending = false;
    qint32 m_pendingNo = 0;
    std::array<QByteArray, RowBatch::textFields> m_pendingTexts;
    ReadingTable m_table;
};
