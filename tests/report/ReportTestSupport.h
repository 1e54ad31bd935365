// Rows and readers shared by the report tests: a row list, and the text of a PDF as pdftotext sees it.
#pragma once

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStringList>
#include <QTime>

#include "record/ReadingTable.h"

namespace reporttest {

inline ReadingTable tableOf(std::initializer_list<ReadingRow> rows)
{
    ReadingTable table;
    for (const ReadingRow& row : rows)
        table.append(row);
    return table;
}

// The value that names row i of numberedRows.
inline QByteArray rowValue(int i)
{
    return "V" + QByteArray::number(i + 1).rightJustified(4, '0') + ".5";
}

// Row i: No i+1, a time, a value that names the row, and the ranges of a voltage reading.
inline ReadingTable numberedRows(int count)
{
    ReadingTable table;
    for (int i = 0; i < count; ++i)
        table.append({i + 1, QTime(10, 0).addSecs(i).toString(QStringLiteral("hh:mm:ss")).toLatin1(), rowValue(i), "V",
                      "600.0V", "40.0A"});
    return table;
}

// The pages of a PDF as laid-out text, one entry per page.
inline QStringList pdfPages(const QString& fileName)
{
    QProcess process;
    process.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), fileName, QStringLiteral("-")});
    process.waitForFinished(60000);
    QStringList pages = QString::fromUtf8(process.readAllStandardOutput()).split(QLatin1Char('\f'));
    if (!pages.isEmpty() && pages.last().trimmed().isEmpty())
        pages.removeLast();
    return pages;
}

// Where pdftotext finds a word on a page, in millimetres from the paper's top left corner.
struct WordBox {
    QString text;
    int page = 0;
    double left = 0, top = 0, right = 0, bottom = 0;
};

inline QList<WordBox> pdfWords(const QString& fileName)
{
    QProcess process;
    process.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), fileName, QStringLiteral("-")});
    process.waitForFinished(60000);
    const QString html = QString::fromUtf8(process.readAllStandardOutput());
    static const QRegularExpression pageOrWord(
        QStringLiteral("<page |<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"([\\d.]+)\" yMax=\"([\\d.]+)\">"
                       "([^<]*)</word>"));
    constexpr double mmPerPoint = 25.4 / 72;
    QList<WordBox> words;
    int page = 0;
    for (const QRegularExpressionMatch& m : pageOrWord.globalMatch(html)) {
        if (m.captured(0).startsWith(QLatin1String("<page"))) {
            ++page;
            continue;
        }
        words.append({m.captured(5), page, m.captured(1).toDouble() * mmPerPoint, m.captured(2).toDouble() * mmPerPoint,
                      m.captured(3).toDouble() * mmPerPoint, m.captured(4).toDouble() * mmPerPoint});
    }
    return words;
}

}  // namespace reporttest
