#include "report/PageView.h"

#include <QPainter>
#include <cmath>

#include "report/ReportDocument.h"

namespace {
// The room around the paper and the width of its shadow.
constexpr int kBorder = 12;
constexpr int kShadow = 3;
}  // namespace

PageView::PageView(const ReportDocument& document, QWidget* parent) : QWidget(parent), m_document(document)
{
    resizeToPaper();
}

QSize PageView::paperSize(int dpi)
{
    return {int(std::lround(ReportLayout::pageWidthMm / 25.4 * dpi)),
            int(std::lround(ReportLayout::pageHeightMm / 25.4 * dpi))};
}

int PageView::dpiToFit(QSize area, bool widthOnly)
{
    const int room = 2 * kBorder + kShadow;
    const double byWidth = (area.width() - room) * 25.4 / ReportLayout::pageWidthMm;
    const double byHeight = (area.height() - room) * 25.4 / ReportLayout::pageHeightMm;
    return qMax(8, int(std::floor(widthOnly ? byWidth : qMin(byWidth, byHeight))));
}

void PageView::setPage(int page)
{
    page = qBound(1, page, m_document.pageCount());
    if (page == m_page)
        return;
    m_page = page;
    update();
}

void PageView::setDpi(int dpi)
{
    dpi = qMax(1, dpi);
    if (dpi == m_dpi)
        return;
    m_dpi = dpi;
    resizeToPaper();
    update();
}

void PageView::resizeToPaper()
{
    setFixedSize(paperSize(m_dpi) + QSize(2 * kBorder, 2 * kBorder));
}

void PageView::paintEvent(QPaintEvent*)
{
    if (m_imagePage != m_page || m_imageDpi != m_dpi) {
        m_image = QImage(paperSize(m_dpi), QImage::Format_RGB32);
        const int dotsPerMeter = int(std::lround(m_dpi / 0.0254));
        m_image.setDotsPerMeterX(dotsPerMeter);
        m_image.setDotsPerMeterY(dotsPerMeter);
        m_image.fill(Qt::white);
        QPainter pagePainter(&m_image);
        pagePainter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
        m_document.paintPage(pagePainter, m_page);
        m_imagePage = m_page;
        m_imageDpi = m_dpi;
    }
    QPainter painter(this);
    const QRect paper(QPoint(kBorder, kBorder), m_image.size());
    painter.fillRect(paper.translated(kShadow, kShadow), QColor(0x60, 0x60, 0x60));
    painter.drawImage(paper.topLeft(), m_image);
}
