// Shows one page of a report. The page is drawn when it is shown, into an image at the zoom in use, and
// kept until the page or the zoom changes; no other page is ever drawn.
#pragma once

#include <QImage>
#include <QWidget>

class ReportDocument;

class PageView : public QWidget {
    Q_OBJECT

public:
    PageView(const ReportDocument& document, QWidget* parent = nullptr);

    int page() const { return m_page; }
    void setPage(int page);
    // Zoom as the resolution the page is drawn at, in dots per inch.
    int dpi() const { return m_dpi; }
    void setDpi(int dpi);

    // The size of the paper at a resolution, in dots.
    static QSize paperSize(int dpi);
    // The resolution at which the page with its surround fits an area, whole or by its width only.
    static int dpiToFit(QSize area, bool widthOnly);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void resizeToPaper();

    const ReportDocument& m_document;
    int m_page = 1;
    int m_dpi = 96;
    QImage m_image;  // the page as drawn last, for m_imagePage at m_imageDpi
    int m_imagePage = 0;
    int m_imageDpi = 0;
};
