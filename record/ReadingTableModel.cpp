#include "record/ReadingTableModel.h"

#include <algorithm>

#include "display/Cp936.h"

ReadingTableModel::ReadingTableModel(QObject* parent) : QAbstractTableModel(parent) {}

int ReadingTableModel::rowsInWindow(int top, int capacity) const
{
    return std::clamp(m_table.rowCount() - top, 0, capacity);
}

void ReadingTableModel::append(const ReadingRow& row)
{
    const int newIndex = m_table.rowCount();
    const bool inWindow = newIndex - m_top < m_capacity;
    if (inWindow)
        beginInsertRows({}, m_windowRows, m_windowRows);
    m_table.append(row);
    if (inWindow) {
        ++m_windowRows;
        endInsertRows();
    }
    ++m_appendedSinceMark;
    emit rowAppended();
}

void ReadingTableModel::markAppends()
{
    m_appendedSinceMark = 0;
    m_keptSinceMark = true;
}

void ReadingTableModel::takeLoadedRows(ReadingTable loaded, int rowsAtMark, bool replacesRows)
{
    const int recordedFrom = m_table.rowCount() - m_appendedSinceMark;
    if (!replacesRows && !m_keptSinceMark) {
        // Former rows went while the file was read: the file's rows follow those still here.
        ReadingTable kept = m_table;
        while (kept.rowCount() > recordedFrom)
            kept.removeRow(kept.rowCount() - 1);
        for (int i = rowsAtMark; i < loaded.rowCount(); ++i)
            kept.appendRowOf(loaded, i);
        loaded = std::move(kept);
    }
    for (int i = recordedFrom; i < m_table.rowCount(); ++i)
        loaded.appendRowOf(m_table, i);
    replaceTable(loaded);
}

void ReadingTableModel::removeTableRow(int index)
{
    if (index >= 0 && index < m_table.rowCount()) {
        if (index >= m_table.rowCount() - m_appendedSinceMark)
            --m_appendedSinceMark;
        else
            m_keptSinceMark = false;
    }
    m_table.removeRow(index);
    resetWindow();
}

void ReadingTableModel::clear()
{
    m_appendedSinceMark = 0;
    m_keptSinceMark = false;
    m_table.clear();
    resetWindow();
}

void ReadingTableModel::replaceTable(const ReadingTable& table)
{
    m_appendedSinceMark = 0;
    m_keptSinceMark = false;
    m_table = table;
    resetWindow();
}

void ReadingTableModel::resetWindow()
{
    beginResetModel();
    m_top = std::clamp(m_top, 0, std::max(0, m_table.rowCount() - m_capacity));
    m_windowRows = rowsInWindow(m_top, m_capacity);
    endResetModel();
    emit tableChanged();
}

void ReadingTableModel::setWindow(int top, int capacity)
{
    capacity = std::max(0, capacity);
    top = std::clamp(top, 0, std::max(0, m_table.rowCount() - 1));
    const int rows = rowsInWindow(top, capacity);
    // Rows that go, go while the others still show what they showed; then the kept rows change their
    // readings; then rows that come are added below them.
    const int kept = std::min(rows, m_windowRows);
    if (m_windowRows > kept) {
        beginRemoveRows({}, kept, m_windowRows - 1);
        m_windowRows = kept;
        endRemoveRows();
    }
    m_capacity = capacity;
    if (top != m_top) {
        m_top = top;
        if (kept > 0)
            emit dataChanged(index(0, 0), index(kept - 1, columnCount() - 1));
    }
    if (rows > kept) {
        beginInsertRows({}, kept, rows - 1);
        m_windowRows = rows;
        endInsertRows();
    }
}

int ReadingTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_windowRows;
}

int ReadingTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ReadingTable::FieldCount;
}

QVariant ReadingTableModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid))
        return {};
    const int field = index.column();
    if (role == Qt::TextAlignmentRole) {
        // Everything but the current range is centred.
        const Qt::Alignment horizontal = field == ReadingTable::FieldIRange ? Qt::AlignLeft : Qt::AlignHCenter;
        return QVariant::fromValue(horizontal | Qt::AlignVCenter);
    }
    if (role != Qt::DisplayRole)
        return {};
    const int row = tableRow(index.row());
    if (field == ReadingTable::FieldNo)
        return QString::number(m_table.number(row));
    return cp936::toUnicode(m_table.textView(row, field));
}

QVariant ReadingTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < ReadingTable::FieldCount)
        return QString::fromLatin1(ReadingTable::fieldNames().at(section));
    // The row header is the grid's row indicator: it draws a mark, no text.
    return {};
}

Qt::ItemFlags ReadingTableModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}
