// Paints report bands on any paint device, placing items in millimetres from the device's origin.
// Fonts keep their point sizes: the device's own resolution turns them into dots, so the same bands
// come out alike on a printer, in a PDF and in the preview's page images.
#pragma once

#include <QFont>
#include <QHash>
#include <QList>
#include <functional>

#include "report/ReportLayout.h"

class QPainter;

class BandPainter {
public:
    explicit BandPainter(QPainter& painter);

    // The text of an item as printed this time: a field's value, the page number, a label's text ...
    using TextOf = std::function<QString(const ReportItem&)>;

    // Paints one band whose left edge is at leftMm and top edge at topMm; items with empty text print nothing.
    void paintBand(const ReportBand& band, double leftMm, double topMm, const TextOf& textOf);

private:
    struct Pen {
        QFont font;
        double ascent = 0;
    };
    const QList<Pen>& pensFor(const ReportBand& band);
    void paintLcd(const ReportItem& item, double x, double y, const QString& text);

    QPainter& m_painter;
    double m_dotsPerMm;
    double m_dotsPerPoint;
    QHash<const ReportBand*, QList<Pen>> m_pens;
};
