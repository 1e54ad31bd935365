// The two pictures of the LCD panel, drawn here: the power mark and the danger (high voltage) mark.
#pragma once

#include <QPixmap>
#include <QSize>

namespace LcdPictures {
QPixmap power(QSize size);
QPixmap danger(QSize size);
QPixmap linkUp(QSize size);    // CONok: frames are arriving
QPixmap linkDown(QSize size);  // CONokN: no frames
}  // namespace LcdPictures
