// The grid's row indicator: a narrow row header that marks the current row with a small triangle.
#pragma once

#include <QHeaderView>

class RowIndicator : public QHeaderView {
    Q_OBJECT
public:
    static constexpr int indicatorWidth = 11;

    explicit RowIndicator(QWidget* parent = nullptr);
    void setCurrentSection(int section);  // -1: no mark
    int currentSection() const { return m_current; }

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;

private:
    int m_current = -1;
};
