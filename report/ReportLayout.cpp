#include "report/ReportLayout.h"

#include <QPalette>
#include <QToolTip>
#include <cmath>

namespace {

constexpr double kHeaderHeightMm = 10.6;
constexpr double kDetailHeightMm = 6.6;

// Left edges of the six columns; the value column's field sits a little right of its heading.
constexpr int kValueColumn = 2;
constexpr int kIRangeColumn = 5;
constexpr double kColumnMm[ReportLayout::columnCount] = {8.5, 33.9, 64.3, 99.5, 132.3, 163.0};
constexpr double kValueFieldMm = 65.6;

const char* const kHeadings[ReportLayout::columnCount] = {"No", "Time", "Value", "Unit", "V_Range", "I_Range"};

ReportItem text(const QString& text, double leftMm, double topMm, double pointSize, QColor color = Qt::black)
{
    ReportItem item;
    item.text = text;
    item.leftMm = leftMm;
    item.topMm = topMm;
    item.pointSize = pointSize;
    item.color = color;
    return item;
}

}  // namespace

ReportLayout ReportLayout::common(const QString& title, double titleTopMm, const QString& totalLabel)
{
    ReportLayout layout;
    layout.m_title = title;

    ReportItem heading = text(title, 0, titleTopMm, 14, Qt::blue);
    heading.bold = true;
    heading.underline = true;
    heading.centred = true;
    ReportItem date = text(QString(), 171.45, 5.3, 7);
    date.content = ReportItem::Content::PrintDate;
    layout.m_pageHeader = {kHeaderHeightMm, {heading, text(QStringLiteral("Print Date:"), 158.8, 5.3, 7), date}};

    layout.m_columnHeader.heightMm = kHeaderHeightMm;
    layout.m_detail.heightMm = kDetailHeightMm;
    for (int field = 0; field < columnCount; ++field) {
        layout.m_columnHeader.items.append(text(QString::fromLatin1(kHeadings[field]), kColumnMm[field], 4.2, 10));
        ReportItem cell = text(QString(), field == kValueColumn ? kValueFieldMm : kColumnMm[field], 2.1, 10);
        cell.content = ReportItem::Content::Field;
        cell.field = field;
        layout.m_detail.items.append(cell);
    }

    ReportItem pageNumber = text(QString(), 24.3, 4.2, 8, Qt::blue);
    pageNumber.content = ReportItem::Content::PageNumber;
    ReportItem total = text(QStringLiteral("Allpage"), 37.0, 4.2, 9, Qt::blue);
    total.name = totalLabel;
    const QColor tipText = QToolTip::palette().color(QPalette::Inactive, QPalette::ToolTipText);
    layout.m_pageFooter = {kHeaderHeightMm,
                           {text(QStringLiteral("The Page"), 8.5, 4.2, 10, tipText), pageNumber,
                            text(QStringLiteral("Of"), 31.75, 4.2, 10), total}};
    return layout;
}

ReportLayout ReportLayout::dataReport()
{
    return common(QStringLiteral("DATA REPORT"), 2.1, QStringLiteral("Allpage"));
}

ReportLayout ReportLayout::storeReport()
{
    ReportLayout layout = common(QStringLiteral("KM610 STORE DATA REPORT"), 1.1, QStringLiteral("Sallpage"));
    layout.m_bound = false;
    static const char* const names[columnCount] = {"SNo", "STime", "SValue", "SUnit", "SV_Range", "SI_Range"};
    for (int field = 0; field < columnCount; ++field) {
        ReportItem& item = layout.m_detail.items[field];
        item.name = QString::fromLatin1(names[field]);
        item.field = -1;
    }
    // The last column has no font of its own and falls back to the report's LCD base font.
    layout.m_columnHeader.items[kIRangeColumn].face = ReportItem::Face::Lcd;
    layout.m_detail.items[kIRangeColumn].face = ReportItem::Face::Lcd;
    return layout;
}

int ReportLayout::detailsPerPage() const
{
    const double room = pageHeightMm - 2 * marginMm - m_pageHeader.heightMm - m_columnHeader.heightMm -
                        m_pageFooter.heightMm;
    // A small tolerance keeps a band that fits exactly from being lost to rounding.
    return qMax(1, int(std::floor(room / m_detail.heightMm + 1e-9)));
}

int ReportLayout::pageTotal(qint64 rowCount) const
{
    const qint64 perPage = detailsPerPage();
    if (rowCount <= perPage)
        return 1;
    return int((rowCount + perPage - 1) / perPage);
}

template <typename Self>
auto ReportLayout::findLabel(Self& self, const QString& name) -> decltype(&self.m_detail.items[0])
{
    for (auto* band : {&self.m_pageHeader, &self.m_columnHeader, &self.m_detail, &self.m_pageFooter}) {
        for (auto& item : band->items) {
            if (item.name == name && item.content == ReportItem::Content::Text)
                return &item;
        }
    }
    return nullptr;
}

void ReportLayout::setLabelText(const QString& name, const QString& text)
{
    if (ReportItem* item = findLabel(*this, name))
        item->text = text;
}

QString ReportLayout::labelText(const QString& name) const
{
    const ReportItem* item = findLabel(*this, name);
    return item ? item->text : QString();
}

QStringList ReportLayout::columnHeadings() const
{
    QStringList headings;
    for (const ReportItem& item : m_columnHeader.items)
        headings.append(item.text);
    return headings;
}
