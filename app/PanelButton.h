// A panel used as a button: the window's "EXIT", "USB Connect" and port panels, and the chart's enlarge and
// restore pictures. A label has no click of its own, so a release of the left button inside it is one.
#pragma once

#include <QLabel>

class PanelButton : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool m_pressed = false;
};
