// The window's report part: the data report Report1 over the reading table, the stored-data report
// Report2 bound to no table, their page totals and their previews.
#pragma once

#include <QtGlobal>
#include <functional>

#include "report/BandReport.h"

class QPrinter;

struct ReportState {
    qint32 DataReportPages = 1;   // page total the data report shows
    qint32 StoreReportPages = 1;  // page total the stored-data report shows
    BandReport Report1{ReportLayout::dataReport()};
    BandReport Report2{ReportLayout::storeReport()};
    // Lets the user choose printer and pages from a preview; null: the print dialog.
    std::function<bool(QPrinter& printer, int pageCount, int currentPage)> choosePrinter;
};
