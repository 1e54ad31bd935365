// One production of a report: the layout with its label texts as the before-print hook left them, the
// rows it prints and the print date. Pages are drawn on demand, so a report of millions of rows costs no
// more to open than one of a few.
#pragma once

#include <QString>

#include "report/ReportLayout.h"
#include "record/ReadingTable.h"

class QPainter;

class ReportDocument {
public:
    // rows: the snapshot of the table the report prints.
    ReportDocument(ReportLayout layout, ReadingTable rows, QString printDate);

    const ReportLayout& layout() const { return m_layout; }
    const ReadingTable& rows() const { return m_rows; }
    QString printDate() const { return m_printDate; }

    int pageCount() const;
    // The rows of a page (pages count from 1): [firstRow, firstRow + rowsOnPage).
    int firstRow(int page) const;
    int rowsOnPage(int page) const;

    // Paints a page on a painter whose origin is the top left corner of the paper.
    void paintPage(QPainter& painter, int page) const;

private:
    ReportLayout m_layout;
    ReadingTable m_rows;
    QString m_printDate;
};
