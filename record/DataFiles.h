// Saving and opening the reading table: the name's extension picks the format.
//   saving:  ".xml" in any letter case writes the XML data packet, ".csv" in any letter case the CSV with
//            date and time, any other name the text file;
//   opening: only an exact ".xml" reads a packet; ".csv" in any letter case whose first line is the
//            CSV header reads that CSV; anything else (".XML" too) is read as text.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

class ReadingTable;

class DataFiles {
public:
    // From the last "." of the file's own name on; empty when that name has none.
    static QString extensionOf(const QString& fileName);
    static bool savesAsXml(const QString& fileName);
    static bool opensAsXml(const QString& fileName);
    static bool savesAsDatedCsv(const QString& fileName);
    static bool opensAsDatedCsv(const QString& fileName);  // looks at the file's first line

    // titles: the grid's column titles in their current order, for the text file's first line.
    static bool save(const ReadingTable& table, const QList<QByteArray>& titles, const QString& fileName);
    // A packet replaces the rows only when all of it has been read; a CSV's rows are appended all or
    // none; a text file's rows are appended, and those of the lines before a failing line stay.
    static bool open(const QString& fileName, ReadingTable& table, QByteArrayView decimalSep);
};
