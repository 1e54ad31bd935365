#include "display/BevelPanel.h"

#include <QPainter>
#include <qdrawutil.h>

void BevelPanel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QRect outer = rect();
    qDrawShadePanel(&painter, outer, palette(), false, kBevelWidth);
    const int inset = kBevelWidth + kBorderWidth;
    qDrawShadePanel(&painter, outer.adjusted(inset, inset, -inset, -inset), palette(), true, kBevelWidth);
}
