// The reading grid DBGrid1.
#pragma once

#include <QTableView>

class ReadingGrid : public QTableView {
    Q_OBJECT
public:
    using QTableView::QTableView;
};
