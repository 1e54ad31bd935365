// One label of the virtual LCD panel. The stored layout gives each label a font by name and a size that is
// the character height in pixels; the LCD font names select the drawn glyphs of LcdGlyphPainter, any other
// name draws bold sans-serif words. Like the meter's labels it sizes itself to its caption, keeping its
// left edge (or its right edge when right-aligned).
#pragma once

#include <QLabel>

#include "display/LcdGlyphPainter.h"

class LcdLabel : public QLabel {
    Q_OBJECT
public:
    explicit LcdLabel(QWidget* parent = nullptr);

    // Hides QLabel::setText so that the label resizes to its caption as it changes.
    void setText(const QString& text);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    LcdGlyphPainter glyphs() const;
    void fitToText();
};
