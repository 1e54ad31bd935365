// Saving a produced report: the program's own report file (PDF) and the HTML, plain-text and
// comma-separated exports. Each export holds the report's title, print date and column headings, then
// every row in table order with its six columns; texts are written as UTF-8.
#pragma once

#include <QString>

class ReportDocument;
class WorkProgress;

enum class ReportFormat { Pdf, Html, Text, Csv };

// The file dialog filter and the suffix given to a name typed without one.
QString reportFormatFilter(ReportFormat format);
QString reportFormatSuffix(ReportFormat format);

// Writes the file whole or not at all: an export that fails leaves an existing file as it was. On failure
// returns false with the reason in *error. A cancel through `progress` fails it the same way.
bool saveReport(const ReportDocument& document, ReportFormat format, const QString& fileName, QString* error,
                WorkProgress* progress = nullptr);
