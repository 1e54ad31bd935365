// The tab-separated text data file (saved under ".xls" and ".txt" alike):
//   line 1: the grid's column titles in the order the user sees them, TAB-separated
//   then one line per row: No, time, Value, Unit, V_Range, I_Range, TAB-separated, texts trimmed of
//   codes <= 32 and "NULL" where that leaves nothing; every line ends in CR LF.
// Bytes are the table's code page 936 bytes exactly as held.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QVarLengthArray>
#include <array>
#include <optional>

class ReadingTable;
class WorkProgress;

class TextDataFile {
public:
    static constexpr int maxItems = 6;

    // Writes through a temporary file in the same folder that replaces the target only when complete,
    // so a failed save leaves the former file as it was. A writable file in a folder that is not
    // writable is written in place instead.
    // A cancel through `progress` fails the save the same way.
    static bool save(const ReadingTable& table, const QList<QByteArray>& titles, const QString& fileName,
                     WorkProgress* progress = nullptr);

    // Appends the rows of the file's lines after the first to the table. False when the file cannot be
    // read or holds no line, or at the first line whose items are not a row: the rows of the lines before
    // it stay in the table, the failing line adds nothing.
    // A cancel through `progress` stops the load as a failing line would.
    static bool load(const QString& fileName, ReadingTable& table, QByteArrayView decimalSep,
                     WorkProgress* progress = nullptr);

    // The items of a line: separated by TABs or blanks (runs count as one), a double-quoted item may hold
    // separators and "" for a quote, a TAB at the very end adds an empty item. At most maxItems + 1 are
    // returned: one more than a row holds is enough to refuse the line. Items are views into the line or,
    // for a quoted item, into `quoted`: plain items are not copied.
    struct LineItems {
        QVarLengthArray<QByteArrayView, maxItems + 1> views;
        std::array<QByteArray, maxItems + 1> quoted;
    };
    static void splitInto(QByteArrayView line, LineItems& items);
    // The record number of an item: a decimal number with the locale's separator, rounded to a whole
    // number as the system's conversion does (half to even).
    static std::optional<qint32> toRecordNumber(QByteArrayView item, QByteArrayView decimalSep);
    // Without leading and trailing codes <= 32.
    static QByteArrayView trimmed(QByteArrayView text);
};
