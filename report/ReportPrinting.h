// Printing a produced report: on a printer chosen by the user, or into the program's own report file (PDF).
#pragma once

class QIODevice;
class QPrinter;
class ReportDocument;
class WorkProgress;

// A4 portrait with the report's margins; the painter's origin is the corner of the paper.
void setUpReportPrinter(QPrinter& printer, const ReportDocument& document);

// Prints the pages the printer selects (its page ranges, or the current page when that was asked for; every
// page otherwise). False when the printer cannot be started.
bool printReport(const ReportDocument& document, QPrinter& printer, int currentPage = 1);

// Writes every page as PDF. False when the device cannot take it or the work was cancelled.
bool writeReportPdf(const ReportDocument& document, QIODevice& device, WorkProgress* progress = nullptr);
