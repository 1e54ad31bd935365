// The reading grid DBGrid1: the reading table with titles, a row indicator, resizable and movable
// columns, no editing and no inserting. It follows the newest row as readings are recorded.
//
// The grid's own scroll bar spans the whole table while its model shows the view only the rows in sight
// (ReadingTableModel), so following a new row costs the same at ten rows and at ten million. The current
// row is always one of the rows in sight, as the indicator shows it.
#pragma once

#include <QByteArray>
#include <QList>
#include <QPointer>
#include <QTableView>
#include <array>
#include <functional>
#include <optional>

class QScrollBar;
class ReadingTableModel;
class RowIndicator;

class ReadingGrid : public QTableView {
    Q_OBJECT
public:
    static constexpr std::array<int, 6> columnWidths{39, 50, 51, 42, 61, 71};

    explicit ReadingGrid(QWidget* parent = nullptr);

    void setModel(QAbstractItemModel* model) override;
    // Asked before Ctrl+Delete deletes the current row ("Delete record?"); true deletes it.
    void setDeleteConfirmation(std::function<bool()> confirm) { m_confirmDelete = std::move(confirm); }

    int currentTableRow() const { return m_currentRow; }  // -1 while the table is empty
    void setCurrentTableRow(int row);                     // brought into sight
    int rowsInSight() const;
    QScrollBar* rowScrollBar() const { return m_rowBar; }
    RowIndicator* rowIndicator() const { return m_indicator; }
    // The column titles in the order the user sees them (columns can be dragged).
    QList<QByteArray> columnTitles() const;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void updateGeometries() override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;

private:
    void deleteCurrentRow();
    std::optional<int> rowForKey(int key, bool ctrl) const;
    void showRowsFrom(int top);
    void syncRowScrollBar();
    void tableChanged();

    QPointer<ReadingTableModel> m_rows;
    RowIndicator* m_indicator;
    QScrollBar* m_rowBar;
    std::function<bool()> m_confirmDelete;
    int m_currentRow = -1;
    bool m_syncing = false;
};
