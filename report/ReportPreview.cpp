#include "report/ReportPreview.h"

#include <QAction>
#include <QComboBox>
#include <QEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QPrintDialog>
#include <QPointer>
#include <QPrinter>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <cmath>

#include "dialogs/Dialogs.h"
#include "report/PageView.h"
#include "report/ReportDocument.h"
#include "report/ReportPrinting.h"

namespace {

const int kZoomSteps[] = {25, 50, 75, 100, 125, 150, 200, 300, 400};

// A wait cursor for as long as a long print or save runs.
struct BusyCursor {
    BusyCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QGuiApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

bool askPrintDialog(QPrinter& printer, int pageCount, QWidget* parent)
{
    QPrintDialog dialog(&printer, parent);
    dialog.setOptions(QAbstractPrintDialog::PrintPageRange | QAbstractPrintDialog::PrintCurrentPage |
                      QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintShowPageSize);
    dialog.setMinMax(1, pageCount);
    return dialog.exec() == QDialog::Accepted;
}

}  // namespace

ReportPreview::ReportPreview(std::shared_ptr<const ReportDocument> document, PreviewServices services, QWidget* parent)
    : QWidget(parent, Qt::Window), m_document(std::move(document)), m_services(std::move(services))
{
    setObjectName(QStringLiteral("ReportPreview"));
    setWindowTitle(QStringLiteral("Print Preview - %1").arg(m_document->layout().title()));

    m_view = new PageView(*m_document);
    m_scroll = new QScrollArea;
    m_scroll->setWidget(m_view);
    m_scroll->setAlignment(Qt::AlignCenter);
    m_scroll->setBackgroundRole(QPalette::Dark);
    m_scroll->installEventFilter(this);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    buildToolBar();
    layout->addWidget(m_scroll, 1);

    resize(760, 900);
    applyFit();
    pageChanged();
}

void ReportPreview::buildToolBar()
{
    auto* bar = new QToolBar(this);
    bar->setObjectName(QStringLiteral("PreviewToolBar"));
    layout()->addWidget(bar);

    auto command = [&](const QString& text, QKeySequence key, auto slot) {
        QAction* action = bar->addAction(text);
        action->setShortcut(key);
        connect(action, &QAction::triggered, this, slot);
    };
    command(QStringLiteral("First"), QKeySequence(Qt::CTRL | Qt::Key_Home), [this] { showPage(1); });
    command(QStringLiteral("Previous"), QKeySequence(Qt::Key_PageUp), [this] { showPage(currentPage() - 1); });

    m_pageBox = new QSpinBox;
    m_pageBox->setObjectName(QStringLiteral("PageNumber"));
    m_pageBox->setRange(1, pageCount());
    m_pageBox->setKeyboardTracking(false);
    connect(m_pageBox, &QSpinBox::valueChanged, this, [this](int page) { showPage(page); });
    bar->addWidget(m_pageBox);
    bar->addWidget(new QLabel(QStringLiteral(" of %1 ").arg(pageCount())));

    command(QStringLiteral("Next"), QKeySequence(Qt::Key_PageDown), [this] { showPage(currentPage() + 1); });
    command(QStringLiteral("Last"), QKeySequence(Qt::CTRL | Qt::Key_End), [this] { showPage(pageCount()); });
    bar->addSeparator();

    command(QStringLiteral("Zoom Out"), QKeySequence::ZoomOut, [this] { zoomOut(); });
    m_zoomBox = new QComboBox;
    m_zoomBox->setObjectName(QStringLiteral("Zoom"));
    m_zoomBox->addItems({QStringLiteral("Fit Page"), QStringLiteral("Fit Width")});
    for (int percent : kZoomSteps)
        m_zoomBox->addItem(QStringLiteral("%1%").arg(percent), percent);
    connect(m_zoomBox, &QComboBox::activated, this, [this](int index) { zoomChosen(index); });
    bar->addWidget(m_zoomBox);
    command(QStringLiteral("Zoom In"), QKeySequence::ZoomIn, [this] { zoomIn(); });
    bar->addSeparator();

    command(QStringLiteral("Print..."), QKeySequence::Print, [this] { print(); });
    auto* saveButton = new QToolButton;
    saveButton->setText(QStringLiteral("Save"));
    saveButton->setPopupMode(QToolButton::InstantPopup);
    auto* saveMenu = new QMenu(saveButton);
    const std::pair<const char*, ReportFormat> formats[] = {{"Report File (PDF)...", ReportFormat::Pdf},
                                                            {"HTML...", ReportFormat::Html},
                                                            {"Plain Text...", ReportFormat::Text},
                                                            {"Comma-Separated Values...", ReportFormat::Csv}};
    for (const auto& [caption, format] : formats) {
        connect(saveMenu->addAction(QString::fromLatin1(caption)), &QAction::triggered, this,
                [this, format = format] { save(format); });
    }
    saveButton->setMenu(saveMenu);
    bar->addWidget(saveButton);
    bar->addSeparator();
    command(QStringLiteral("Close"), QKeySequence(Qt::Key_Escape), [this] { close(); });
}

int ReportPreview::pageCount() const
{
    return m_document->pageCount();
}

int ReportPreview::currentPage() const
{
    return m_view->page();
}

void ReportPreview::showPage(int page)
{
    m_view->setPage(page);
    pageChanged();
}

void ReportPreview::pageChanged()
{
    const QSignalBlocker blocker(m_pageBox);
    m_pageBox->setValue(currentPage());
    m_scroll->verticalScrollBar()->setValue(0);
}

void ReportPreview::setFit(Fit fit)
{
    m_fit = fit;
    applyFit();
}

void ReportPreview::applyFit()
{
    // A fitted page needs no scroll bar across, and a whole page none at all: fixing the bars keeps them
    // from staying up after the page has been fitted to the room they leave.
    m_scroll->setHorizontalScrollBarPolicy(m_fit == Fit::None ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    m_scroll->setVerticalScrollBarPolicy(m_fit == Fit::Page    ? Qt::ScrollBarAlwaysOff
                                         : m_fit == Fit::Width ? Qt::ScrollBarAlwaysOn
                                                               : Qt::ScrollBarAsNeeded);
    if (m_fit != Fit::None)
        m_view->setDpi(PageView::dpiToFit(m_scroll->maximumViewportSize(), m_fit == Fit::Width));
    const QSignalBlocker blocker(m_zoomBox);
    if (m_fit == Fit::Page)
        m_zoomBox->setCurrentIndex(0);
    else if (m_fit == Fit::Width)
        m_zoomBox->setCurrentIndex(1);
    else
        m_zoomBox->setCurrentIndex(m_zoomBox->findData(zoomPercent()));
}

void ReportPreview::setZoomPercent(int percent)
{
    m_fit = Fit::None;
    m_view->setDpi(int(std::lround(logicalDpiX() * percent / 100.0)));
    applyFit();
}

int ReportPreview::zoomPercent() const
{
    return int(std::lround(m_view->dpi() * 100.0 / logicalDpiX()));
}

void ReportPreview::zoomIn()
{
    for (int percent : kZoomSteps) {
        if (percent > zoomPercent()) {
            setZoomPercent(percent);
            return;
        }
    }
}

void ReportPreview::zoomOut()
{
    for (auto step = std::rbegin(kZoomSteps); step != std::rend(kZoomSteps); ++step) {
        if (*step < zoomPercent()) {
            setZoomPercent(*step);
            return;
        }
    }
}

void ReportPreview::zoomChosen(int index)
{
    if (index == 0)
        setFit(Fit::Page);
    else if (index == 1)
        setFit(Fit::Width);
    else
        setZoomPercent(m_zoomBox->itemData(index).toInt());
}

// A fitted page follows the page area, whenever and however its size changes.
bool ReportPreview::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_scroll && event->type() == QEvent::Resize)
        applyFit();
    return QWidget::eventFilter(watched, event);
}

void ReportPreview::print()
{
    QPrinter printer(QPrinter::HighResolution);
    setUpReportPrinter(printer, *m_document);
    const bool chosen = m_services.choosePrinter ? m_services.choosePrinter(printer, pageCount(), currentPage())
                                                 : askPrintDialog(printer, pageCount(), this);
    if (!chosen)
        return;
    bool printed = false;
    {
        const BusyCursor busy;
        printed = printReport(*m_document, printer, currentPage());
    }
    if (!printed)
        showFailure(QStringLiteral("The report could not be printed."));
}

void ReportPreview::save(ReportFormat format)
{
    const QString fileName = m_services.dialogs->saveFileName(QStringLiteral("Save Report"), reportFormatFilter(format),
                                                              reportFormatSuffix(format));
    if (fileName.isEmpty())
        return;
    // The report is written beside the window's thread: readings go on being recorded meanwhile.
    QString error;
    bool saved = false;
    WorkProgress progress;
    const std::shared_ptr<const ReportDocument> document = m_document;
    const QPointer<ReportPreview> preview(this);
    runBeside(
        progress, [&] { saved = saveReport(*document, format, fileName, &error, &progress); },
        m_services.dialogs->progressBoxes(QStringLiteral("Saving ") + fileName, windowTitle()));
    // A cancelled export leaves the former file, and is no failure to report.
    if (!preview || (!saved && progress.cancelled()))
        return;
    if (!saved)
        showFailure(QStringLiteral("Cannot save the report to %1: %2").arg(fileName, error));
}

void ReportPreview::showFailure(const QString& text)
{
    m_services.dialogs->message(text, windowTitle(), Dialogs::Icon::Error, Dialogs::Ok);
}
