// The LCD panel's frame: an outer raised bevel, a border, then an inner lowered bevel, like a display
// glass sunk into the meter's case.
#pragma once

#include <QFrame>

class BevelPanel : public QFrame {
    Q_OBJECT
public:
    using QFrame::QFrame;

    static constexpr int kBevelWidth = 2;
    static constexpr int kBorderWidth = 2;

protected:
    void paintEvent(QPaintEvent* event) override;
};
