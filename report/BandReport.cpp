#include "report/BandReport.h"

#include <QDate>
#include <QLocale>

#include "record/ReadingTable.h"
#include "report/ReportDocument.h"

BandReport::BandReport(ReportLayout layout) : m_layout(std::move(layout)) {}

int BandReport::recordCount(const ReadingTable& table) const
{
    return m_layout.isBound() ? table.rowCount() : 1;
}

std::shared_ptr<const ReportDocument> BandReport::produce(const ReadingTable& rows, const QString& printDate)
{
    if (beforePrint)
        beforePrint();
    // A report bound to no table has no rows: its single pass of the detail band prints nothing.
    return std::make_shared<const ReportDocument>(m_layout, m_layout.isBound() ? rows : ReadingTable(), printDate);
}

bool BandReport::raisePreview() const
{
    if (!m_preview)
        return false;
    m_preview->showNormal();
    m_preview->raise();
    m_preview->activateWindow();
    return true;
}

ReportPreview* BandReport::openPreview(const ReadingTable& rows, QWidget* parent, PreviewServices services)
{
    const QString today = QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat);
    m_preview = new ReportPreview(produce(rows, today), std::move(services), parent);
    m_preview->setAttribute(Qt::WA_DeleteOnClose);
    m_preview->show();
    return m_preview;
}
