// The item model of the reading table as the grid sees it: a window of the rows in sight.
//
// A view that is told about every one of ten million rows pays for it on every appended row (its row
// header keeps and re-sums a position per row). So the model owns the table and shows its view only the
// rows from windowTop() on, at most windowCapacity() of them; the grid maps its own scroll bar to the
// whole table and moves the window. Every change costs the same at ten rows and at ten million.
#pragma once

#include <QAbstractTableModel>

#include "record/ReadingTable.h"

class ReadingTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit ReadingTableModel(QObject* parent = nullptr);

    const ReadingTable& table() const { return m_table; }
    int tableRowCount() const { return m_table.rowCount(); }

    void append(const ReadingRow& row);  // emits rowAppended
    void removeTableRow(int index);
    // The instant is not shown in the grid: setting it changes nothing the view sees.
    void setInstant(int index, std::optional<RowInstant> instant) { m_table.setInstant(index, instant); }
    void clear();
    void replaceTable(const ReadingTable& table);  // one change for the view, however many rows

    int windowTop() const { return m_top; }
    int windowCapacity() const { return m_capacity; }
    // Moves the window; the top is kept within the table.
    void setWindow(int top, int capacity);
    int tableRow(int windowRow) const { return m_top + windowRow; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

signals:
    void rowAppended();   // one row added at the end of the table
    void tableChanged();  // rows removed or replaced

private:
    int rowsInWindow(int top, int capacity) const;
    void resetWindow();

    ReadingTable m_table;
    int m_top = 0;
    int m_capacity = 0;
    int m_windowRows = 0;  // what the view has been told
};
