// The preview window of a produced report: one page at a time with zoom and page navigation, printing
// through the print dialog, and saving as the program's report file (PDF), HTML, plain text or CSV.
// It is an ordinary window, not modal: the main window goes on working while it is open.
#pragma once

#include <QWidget>
#include <functional>
#include <memory>

#include "report/ReportExport.h"

class Dialogs;
class PageView;
class QComboBox;
class QPrinter;
class QScrollArea;
class QSpinBox;
class ReportDocument;

struct PreviewServices {
    Dialogs* dialogs = nullptr;  // required: the save dialogs and the failure messages
    // Lets the user choose the printer and the pages; false when the user cancelled. Null: the print dialog.
    std::function<bool(QPrinter& printer, int pageCount, int currentPage)> choosePrinter;
};

class ReportPreview : public QWidget {
    Q_OBJECT

public:
    ReportPreview(std::shared_ptr<const ReportDocument> document, PreviewServices services, QWidget* parent = nullptr);

    const ReportDocument& document() const { return *m_document; }
    int pageCount() const;
    int currentPage() const;
    void showPage(int page);

    enum class Fit { Page, Width, None };
    void setFit(Fit fit);
    void setZoomPercent(int percent);
    int zoomPercent() const;
    void zoomIn();
    void zoomOut();

    void print();
    void save(ReportFormat format);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildToolBar();
    void applyFit();
    void pageChanged();
    void zoomChosen(int index);
    void showFailure(const QString& text);

    std::shared_ptr<const ReportDocument> m_document;
    PreviewServices m_services;
    PageView* m_view = nullptr;
    QScrollArea* m_scroll = nullptr;
    QSpinBox* m_pageBox = nullptr;
    QComboBox* m_zoomBox = nullptr;
    Fit m_fit = Fit::Page;
};
