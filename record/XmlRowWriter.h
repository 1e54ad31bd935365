// Writes the table's rows as the packet's ROW elements, byte for byte as the general XML writer writes
// them. Nearly every text of a meter's log (times, values, units, ranges) is plain ASCII that needs no
// escaping and goes out as it is; any other text is escaped by the general writer, once per distinct
// text. Writing each attribute through the general writer costs some ten times more.
#pragma once

#include <QByteArray>
#include <QHash>

#include "record/ReadingTable.h"

class XmlRowWriter {
public:
    // Appends the row's element; false when a text holds a character that no XML can hold, or bytes that
    // are no code page 936 characters: the packet would read back into other texts.
    bool write(const ReadingTable::RowView& row, QByteArray& out);

private:
    bool appendValue(QByteArrayView text, QByteArray& out);

    QHash<QByteArray, QByteArray> m_escaped;
};
