#include "report/ReportExport.h"

#include <QSaveFile>
#include <QTextStream>

#include "dialogs/BackgroundWork.h"
#include "display/Cp936.h"
#include "record/WholeFileSave.h"
#include "report/ReportDocument.h"
#include "report/ReportPrinting.h"

namespace {

constexpr int progressRows = 4096;

// Visits every row's six texts, decoded from the table's code page 936. False when cancelled.
template <typename Visit>
bool forEachRow(const ReportDocument& document, WorkProgress* progress, Visit visit)
{
    const ReadingTable& rows = document.rows();
    QStringList fields;
    for (int row = 0; row < rows.rowCount(); ++row) {
        if (progress && row % progressRows == 0 && !progress->advance(row, rows.rowCount()))
            return false;
        fields.clear();
        for (int field = 0; field < ReportLayout::columnCount; ++field)
            fields.append(cp936::toUnicode(rows.text(row, field)));
        visit(fields);
    }
    return true;
}

bool writeHtml(const ReportDocument& document, QTextStream& out, WorkProgress* progress)
{
    auto cells = [&](const QStringList& texts, const char* tag) {
        out << "<tr>";
        for (const QString& text : texts)
            out << '<' << tag << '>' << text.toHtmlEscaped() << "</" << tag << '>';
        out << "</tr>\n";
    };
    const QString title = document.layout().title().toHtmlEscaped();
    out << "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n<title>" << title << "</title>\n</head>\n"
        << "<body>\n<h1 style=\"color:#0000ff;text-decoration:underline;text-align:center\">" << title << "</h1>\n"
        << "<p>Print Date: " << document.printDate().toHtmlEscaped() << "</p>\n"
        << "<table border=\"1\" cellspacing=\"0\" cellpadding=\"2\">\n";
    cells(document.layout().columnHeadings(), "th");
    if (!forEachRow(document, progress, [&](const QStringList& fields) { cells(fields, "td"); }))
        return false;
    out << "</table>\n</body>\n</html>\n";
    return true;
}

// Plain text in fixed columns wide enough for the longest text a column can hold.
bool writeText(const ReportDocument& document, QTextStream& out, WorkProgress* progress)
{
    static constexpr int widths[ReportLayout::columnCount - 1] = {12, 21, 21, 21, 21};
    auto line = [&](const QStringList& texts) {
        QString text;
        for (qsizetype i = 0; i < texts.size(); ++i) {
            QString field = texts[i];
            field.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
            text += i < ReportLayout::columnCount - 1 ? field.leftJustified(widths[i] - 1) + QLatin1Char(' ') : field;
        }
        while (text.endsWith(QLatin1Char(' ')))
            text.chop(1);
        out << text << '\n';
    };
    out << document.layout().title() << "\nPrint Date: " << document.printDate() << "\n\n";
    line(document.layout().columnHeadings());
    return forEachRow(document, progress, line);
}

// Comma-separated, with line ends and quoting as spreadsheets expect them.
bool writeCsv(const ReportDocument& document, QTextStream& out, WorkProgress* progress)
{
    auto line = [&](const QStringList& texts) {
        for (qsizetype i = 0; i < texts.size(); ++i) {
            if (i > 0)
                out << ',';
            const QString& text = texts[i];
            if (text.contains(QLatin1Char(',')) || text.contains(QLatin1Char('"')) ||
                text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r'))) {
                QString quoted = text;
                out << '"' << quoted.replace(QLatin1Char('"'), QLatin1String("\"\"")) << '"';
            } else {
                out << text;
            }
        }
        out << "\r\n";
    };
    line(document.layout().columnHeadings());
    return forEachRow(document, progress, line);
}

}  // namespace

QString reportFormatFilter(ReportFormat format)
{
    switch (format) {
    case ReportFormat::Pdf: return QStringLiteral("Report file (*.pdf)");
    case ReportFormat::Html: return QStringLiteral("HTML file (*.html *.htm)");
    case ReportFormat::Text: return QStringLiteral("Text file (*.txt)");
    case ReportFormat::Csv: return QStringLiteral("CSV file (*.csv)");
    }
    return {};
}

QString reportFormatSuffix(ReportFormat format)
{
    switch (format) {
    case ReportFormat::Pdf: return QStringLiteral("pdf");
    case ReportFormat::Html: return QStringLiteral("html");
    case ReportFormat::Text: return QStringLiteral("txt");
    case ReportFormat::Csv: return QStringLiteral("csv");
    }
    return {};
}

bool saveReport(const ReportDocument& document, ReportFormat format, const QString& fileName, QString* error,
                WorkProgress* progress)
{
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = file.errorString();
        return false;
    }
    bool written = true;
    if (format == ReportFormat::Pdf) {
        written = writeReportPdf(document, file, progress);
    } else {
        QTextStream out(&file);
        if (format == ReportFormat::Html)
            written = writeHtml(document, out, progress);
        else if (format == ReportFormat::Text)
            written = writeText(document, out, progress);
        else
            written = writeCsv(document, out, progress);
        out.flush();
        written = written && out.status() == QTextStream::Ok;
    }
    return commitWhole(file, written, error);
}
