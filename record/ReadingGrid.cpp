#include "record/ReadingGrid.h"

#include <QApplication>
#include <QKeyEvent>
#include <QScrollBar>
#include <algorithm>

#include "record/ReadingTable.h"
#include "record/ReadingTableModel.h"
#include "record/RowIndicator.h"

ReadingGrid::ReadingGrid(QWidget* parent)
    : QTableView(parent), m_indicator(new RowIndicator(this)), m_rowBar(new QScrollBar(Qt::Vertical, this))
{
    setVerticalHeader(m_indicator);
    m_indicator->setMinimumSectionSize(1);
    m_indicator->setDefaultSectionSize(fontMetrics().height() + 4);
    m_indicator->setSectionResizeMode(QHeaderView::Fixed);

    horizontalHeader()->setSectionsMovable(true);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setHighlightSections(false);

    setEditTriggers(NoEditTriggers);
    setSelectionMode(SingleSelection);
    setSelectionBehavior(SelectItems);
    setVerticalScrollMode(ScrollPerItem);
    setWordWrap(false);

    // The view's own vertical bar only ever sees the rows in sight: the whole-table bar takes its place.
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    verticalScrollBar()->hide();
    addScrollBarWidget(m_rowBar, Qt::AlignTop);
    m_rowBar->setRange(0, 0);
    connect(m_rowBar, &QScrollBar::valueChanged, this, [this](int top) {
        if (!m_syncing)
            showRowsFrom(top);
    });
}

void ReadingGrid::setModel(QAbstractItemModel* model)
{
    if (m_rows)
        disconnect(m_rows, nullptr, this, nullptr);
    QTableView::setModel(model);
    m_rows = qobject_cast<ReadingTableModel*>(model);
    m_currentRow = -1;
    if (!m_rows)
        return;
    for (int column = 0; column < int(columnWidths.size()) && column < model->columnCount(); ++column)
        setColumnWidth(column, columnWidths[column]);
    connect(m_rows, &ReadingTableModel::rowAppended, this, [this] { setCurrentTableRow(m_rows->tableRowCount() - 1); });
    connect(m_rows, &ReadingTableModel::tableChanged, this, &ReadingGrid::tableChanged);
    m_rows->setWindow(0, rowsInSight());
    tableChanged();
}

int ReadingGrid::rowsInSight() const
{
    return std::max(1, viewport()->height() / std::max(1, m_indicator->defaultSectionSize()));
}

void ReadingGrid::setCurrentTableRow(int row)
{
    if (!m_rows)
        return;
    const int count = m_rows->tableRowCount();
    row = count == 0 ? -1 : std::clamp(row, 0, count - 1);
    const int sight = rowsInSight();
    int top = m_rows->windowTop();
    if (row < top)
        top = row;
    else if (row >= top + sight)
        top = row - sight + 1;
    // Never leave blank rows at the bottom while earlier rows could fill them.
    top = std::clamp(top, 0, std::max(0, count - sight));
    m_rows->setWindow(top, sight);
    syncRowScrollBar();
    m_currentRow = row;
    const int column = std::max(0, currentIndex().column());
    const QModelIndex index = row < 0 ? QModelIndex() : m_rows->index(row - m_rows->windowTop(), column);
    if (index != currentIndex())
        selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    m_indicator->setCurrentSection(index.isValid() ? index.row() : -1);
}

void ReadingGrid::showRowsFrom(int top)
{
    const int sight = rowsInSight();
    m_rows->setWindow(top, sight);
    // The current row stays in sight: scrolling moves it along, as the indicator shows.
    setCurrentTableRow(std::clamp(m_currentRow, m_rows->windowTop(), m_rows->windowTop() + sight - 1));
}

void ReadingGrid::syncRowScrollBar()
{
    const int sight = rowsInSight();
    m_syncing = true;
    m_rowBar->setRange(0, std::max(0, m_rows->tableRowCount() - sight));
    m_rowBar->setPageStep(sight);
    m_rowBar->setValue(m_rows->windowTop());
    m_syncing = false;
}

void ReadingGrid::tableChanged()
{
    const int count = m_rows->tableRowCount();
    setCurrentTableRow(m_currentRow < 0 && count > 0 ? 0 : m_currentRow);
}

void ReadingGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous)
{
    QTableView::currentChanged(current, previous);
    if (m_rows && current.isValid()) {
        m_currentRow = m_rows->tableRow(current.row());
        m_indicator->setCurrentSection(current.row());
    }
}

void ReadingGrid::updateGeometries()
{
    QTableView::updateGeometries();
    if (m_rows && !m_syncing && m_rows->windowCapacity() != rowsInSight())
        setCurrentTableRow(m_currentRow);
}

QList<QByteArray> ReadingGrid::columnTitles() const
{
    QList<QByteArray> titles;
    const QHeaderView* header = horizontalHeader();
    for (int visual = 0; visual < header->count(); ++visual)
        titles.append(ReadingTable::fieldNames().value(header->logicalIndex(visual)));
    return titles;
}

void ReadingGrid::deleteCurrentRow()
{
    // The question is a modal box: readings keep arriving while it is open, so remember the row asked
    // about rather than whatever is current afterwards.
    const int row = m_currentRow;
    if (row < 0 || !m_confirmDelete || !m_confirmDelete())
        return;
    if (row < m_rows->tableRowCount())
        m_rows->removeTableRow(row);
}

std::optional<int> ReadingGrid::rowForKey(int key, bool ctrl) const
{
    const int sight = rowsInSight();
    switch (key) {
    case Qt::Key_Up: return std::max(0, m_currentRow - 1);
    case Qt::Key_Down: return m_currentRow + 1;
    case Qt::Key_PageUp: return std::max(0, m_currentRow - sight);
    case Qt::Key_PageDown: return m_currentRow + sight;
    case Qt::Key_Home: return ctrl ? std::optional<int>(0) : std::nullopt;
    case Qt::Key_End: return ctrl ? std::optional<int>(m_rows->tableRowCount() - 1) : std::nullopt;
    default: return std::nullopt;
    }
}

void ReadingGrid::keyPressEvent(QKeyEvent* event)
{
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    if (m_rows && ctrl && event->key() == Qt::Key_Delete) {
        deleteCurrentRow();
        return;
    }
    // Row keys move through the whole table, not just the rows in sight; the others work as usual.
    if (const std::optional<int> row = m_rows ? rowForKey(event->key(), ctrl) : std::nullopt) {
        setCurrentTableRow(*row);
        return;
    }
    QTableView::keyPressEvent(event);
}

void ReadingGrid::wheelEvent(QWheelEvent* event)
{
    if (event->angleDelta().y() != 0)
        QApplication::sendEvent(m_rowBar, event);
    else
        QTableView::wheelEvent(event);
}
