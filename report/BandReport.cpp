#include "report/BandReport.h"

#include <QDate>
#include <QLocale>

#include "report/ReportDocument.h"

namespace {

// A report bound to no table has no rows: its single pass of the detail band prints nothing.
class NoRows : public ReportRows {
public:
    int count() const override { return 0; }
    QByteArray text(int, int) const override { return {}; }
};

}  // namespace

BandReport::BandReport(ReportLayout layout) : m_layout(std::move(layout))
{
}

int BandReport::recordCount(const ReportRows& table) const
{
    return m_layout.isBound() ? table.count() : 1;
}

std::shared_ptr<const ReportDocument> BandReport::produce(std::shared_ptr<const ReportRows> rows,
                                                          const QString& printDate)
{
    if (beforePrint)
        beforePrint();
    if (!m_layout.isBound())
        rows = std::make_shared<NoRows>();
    return std::make_shared<const ReportDocument>(m_layout, std::move(rows), printDate);
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

ReportPreview* BandReport::openPreview(std::shared_ptr<const ReportRows> rows, QWidget* parent,
                                       PreviewServices services)
{
    const QString today = QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat);
    m_preview = new ReportPreview(produce(std::move(rows), today), std::move(services), parent);
    m_preview->setAttribute(Qt::WA_DeleteOnClose);
    m_preview->show();
    return m_preview;
}
