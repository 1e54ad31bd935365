// The bands of a printed report, in millimetres from each band's left and top edges, and its page set-up.
// A page is: page header, column header, as many detail bands as fit, page footer at the foot of the page.
#pragma once

#include <QColor>
#include <QList>
#include <QString>
#include <QStringList>

struct ReportItem {
    enum class Content {
        Text,        // fixed text, or a label whose text the program sets (name not empty)
        Field,       // a column of the row; field -1 is an item bound to nothing and prints nothing
        PageNumber,  // the number of the page being printed
        PrintDate,   // the date the report is produced
    };
    enum class Face {
        Sans,  // the report's sans-serif face
        Lcd,   // the panel's liquid-crystal glyphs, for items left in the report's base LCD font
    };

    QString name;  // component name, so the program can reach labels ("Allpage") and fields ("SNo")
    Content content = Content::Text;
    QString text;
    int field = -1;
    double leftMm = 0;
    double topMm = 0;
    double pointSize = 10;
    bool bold = false;
    bool underline = false;
    QColor color = Qt::black;
    bool centred = false;  // centred on the band; otherwise left-aligned at leftMm
    Face face = Face::Sans;
};

struct ReportBand {
    double heightMm = 0;
    QList<ReportItem> items;
};

class ReportLayout {
public:
    // The data report over the reading table, and the stored-data report, which is bound to no table.
    static ReportLayout dataReport();
    static ReportLayout storeReport();

    QString title() const { return m_title; }
    bool isBound() const { return m_bound; }

    // Page set-up shared by both reports: A4 portrait with equal margins.
    static constexpr double pageWidthMm = 210;
    static constexpr double pageHeightMm = 297;
    static constexpr double marginMm = 10;
    static constexpr double bandWidthMm = pageWidthMm - 2 * marginMm;
    // The printed columns: the reading table's six fields, in table order.
    static constexpr int columnCount = 6;

    const ReportBand& pageHeader() const { return m_pageHeader; }
    const ReportBand& columnHeader() const { return m_columnHeader; }
    const ReportBand& detail() const { return m_detail; }
    const ReportBand& pageFooter() const { return m_pageFooter; }

    // Detail bands that fit between the headers and the footer.
    int detailsPerPage() const;
    // The page total shown in the footer: one page up to a full page of rows, then rows per page rounded up.
    int pageTotal(qint64 rowCount) const;

    // Labels are items with a name; the program sets their texts before each production.
    void setLabelText(const QString& name, const QString& text);
    QString labelText(const QString& name) const;

    // The column headings in table order, for the exports.
    QStringList columnHeadings() const;

private:
    static ReportLayout common(const QString& title, double titleTopMm, const QString& totalLabel);
    // Shared by the const and non-const look-ups.
    template <typename Self>
    static auto findLabel(Self& self, const QString& name) -> decltype(&self.m_detail.items[0]);

    QString m_title;
    bool m_bound = true;
    ReportBand m_pageHeader, m_columnHeader, m_detail, m_pageFooter;
};
