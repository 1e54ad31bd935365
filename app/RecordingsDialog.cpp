#include "app/RecordingsDialog.h"

#include <QDesktopServices>
#include <QDir>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLocale>
#include <QPushButton>
#include <QTableWidget>
#include <QUrl>
#include <QVBoxLayout>

RecordingsDialog::RecordingsDialog(const JournalFolder& folder, QWidget* parent)
    : QDialog(parent), m_folder(folder), m_list(new QTableWidget(this))
{
    setObjectName(QStringLiteral("RecordingsDialog"));
    setWindowTitle(QStringLiteral("Recordings"));
    resize(560, 320);
    m_list->setObjectName(QStringLiteral("RecordingsList"));
    m_list->setColumnCount(4);
    m_list->setHorizontalHeaderLabels(
        {QStringLiteral("Start"), QStringLiteral("End"), QStringLiteral("Readings"), QStringLiteral("Size")});
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->verticalHeader()->hide();
    m_list->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* open = buttons->addButton(QStringLiteral("Open"), QDialogButtonBox::AcceptRole);
    open->setObjectName(QStringLiteral("OpenRecording"));
    QPushButton* show = buttons->addButton(QStringLiteral("Show Folder"), QDialogButtonBox::ActionRole);
    show->setObjectName(QStringLiteral("ShowRecordingsFolder"));
    buttons->addButton(QDialogButtonBox::Close);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(open, &QPushButton::clicked, this, [this] {
        const QString file = chosenFile();
        if (!file.isEmpty())
            emit openRequested(file);
    });
    connect(m_list, &QTableWidget::cellDoubleClicked, this, [this] { emit openRequested(chosenFile()); });
    connect(show, &QPushButton::clicked, this, [this] {
        // Before the first recording the folder is not there yet.
        QDir().mkpath(m_folder.path());
        QDesktopServices::openUrl(QUrl::fromLocalFile(m_folder.path()));
    });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_list);
    layout->addWidget(buttons);
    reload();
}

QString RecordingsDialog::localText(const std::optional<RowInstant>& instant)
{
    if (!instant)
        return {};
    return QDateTime::fromMSecsSinceEpoch(instant->utcMs, Qt::OffsetFromUTC, instant->offsetSeconds)
        .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

void RecordingsDialog::reload()
{
    m_entries = m_folder.list();
    m_list->setRowCount(int(m_entries.size()));
    const QLocale locale;
    for (int row = 0; row < m_entries.size(); ++row) {
        const JournalFolder::Entry& entry = m_entries[row];
        const QStringList cells{localText(entry.start), localText(entry.end), QString::number(entry.readings),
                                locale.formattedDataSize(entry.bytes)};
        for (int column = 0; column < cells.size(); ++column) {
            auto* item = new QTableWidgetItem(cells[column]);
            item->setToolTip(entry.path);
            m_list->setItem(row, column, item);
        }
    }
    if (!m_entries.isEmpty())
        m_list->selectRow(0);
}

QString RecordingsDialog::chosenFile() const
{
    const int row = m_list->currentRow();
    return row >= 0 && row < m_entries.size() ? m_entries[row].path : QString();
}
