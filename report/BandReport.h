// A report as the main window holds it: its layout, whose labels the window's before-print hook fills in,
// and its one preview window. Each production takes the layout as the hook leaves it and a snapshot of
// the rows, so the pages, the page total and the exports of one preview always agree.
#pragma once

#include <QPointer>
#include <functional>
#include <memory>

#include "report/ReportLayout.h"
#include "report/ReportPreview.h"

class ReadingTable;

class BandReport {
public:
    explicit BandReport(ReportLayout layout);

    ReportLayout& layout() { return m_layout; }
    const ReportLayout& layout() const { return m_layout; }

    // Called before each production, to set the labels.
    std::function<void()> beforePrint;

    // The number of records the report runs over: the table's rows, or a single pass for a report bound
    // to no table.
    int recordCount(const ReadingTable& table) const;

    // The layout as the hook leaves it, over a snapshot of the rows (none for a report bound to no table).
    std::shared_ptr<const ReportDocument> produce(const ReadingTable& rows, const QString& printDate);

    // The open preview, or null.
    ReportPreview* preview() const { return m_preview; }
    // Brings an open preview to the front; false when none is open.
    bool raisePreview() const;
    // Produces the report for today's date and shows it in a new preview window, deleted when it closes.
    ReportPreview* openPreview(const ReadingTable& rows, QWidget* parent, PreviewServices services);

private:
    ReportLayout m_layout;
    QPointer<ReportPreview> m_preview;
};
