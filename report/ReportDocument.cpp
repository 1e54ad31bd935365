#include "report/ReportDocument.h"

#include "display/Cp936.h"
#include "report/BandPainter.h"

ReportDocument::ReportDocument(ReportLayout layout, ReadingTable rows, QString printDate)
    : m_layout(std::move(layout)), m_rows(std::move(rows)), m_printDate(std::move(printDate))
{
}

int ReportDocument::pageCount() const
{
    return m_layout.pageTotal(m_rows.rowCount());
}

int ReportDocument::firstRow(int page) const
{
    return qMin(qint64(page - 1) * m_layout.detailsPerPage(), qint64(m_rows.rowCount()));
}

int ReportDocument::rowsOnPage(int page) const
{
    if (page < 1 || page > pageCount())
        return 0;
    return qMin(m_layout.detailsPerPage(), m_rows.rowCount() - firstRow(page));
}

void ReportDocument::paintPage(QPainter& painter, int page) const
{
    BandPainter bands(painter);
    const double left = ReportLayout::marginMm;
    double top = ReportLayout::marginMm;

    auto fixedText = [&](const ReportItem& item) {
        switch (item.content) {
        case ReportItem::Content::Text: return item.text;
        case ReportItem::Content::PageNumber: return QString::number(page);
        case ReportItem::Content::PrintDate: return m_printDate;
        case ReportItem::Content::Field: break;
        }
        return QString();
    };
    bands.paintBand(m_layout.pageHeader(), left, top, fixedText);
    top += m_layout.pageHeader().heightMm;
    bands.paintBand(m_layout.columnHeader(), left, top, fixedText);
    top += m_layout.columnHeader().heightMm;

    const int first = firstRow(page);
    const int last = first + rowsOnPage(page);
    for (int row = first; row < last; ++row) {
        bands.paintBand(m_layout.detail(), left, top, [&](const ReportItem& item) {
            if (item.content != ReportItem::Content::Field)
                return fixedText(item);
            return item.field < 0 ? QString() : cp936::toUnicode(m_rows.text(row, item.field));
        });
        top += m_layout.detail().heightMm;
    }

    // The footer sits at the foot of every page, however few rows the page holds.
    const double footerTop = ReportLayout::pageHeightMm - ReportLayout::marginMm - m_layout.pageFooter().heightMm;
    bands.paintBand(m_layout.pageFooter(), left, footerTop, fixedText);
}
