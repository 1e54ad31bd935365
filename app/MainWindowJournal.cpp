#include "app/MainWindowJournal.h"

#include <QAction>
#include <QFile>
#include <QMessageBox>

#include "app/MainWindow.h"
#include "app/MainWindowRecord.h"
#include "app/RecordingsDialog.h"
#include "record/DatedCsvFile.h"
#include "record/ReadingGrid.h"
#include "ui_MainWindow.h"

namespace {
constexpr int keptDays = 30;

// A journal that cannot be written is said once, without stopping the readings: the notice is no modal box.
void showJournalFailure(MainWindow& form, const QString& fileName, const QString& reason)
{
    form.HistoryListBox.append(QStringLiteral("%1 recording not kept on disk: %2: %3")
                                   .arg(QTime::currentTime().toString(QStringLiteral("HH:mm:ss")), fileName, reason));
    JournalState& state = form.journal();
    if (state.notice)
        return;
    auto* notice = new QMessageBox(QMessageBox::Warning, QStringLiteral("KM610_KM620"),
                                   QStringLiteral("The readings cannot be kept on disk in %1: %2.\n"
                                                  "Recording goes on; the readings stay in the table.")
                                       .arg(fileName, reason),
                                   QMessageBox::Ok, &form);
    notice->setObjectName(QStringLiteral("JournalNotice"));
    notice->setModal(false);
    notice->setAttribute(Qt::WA_DeleteOnClose);
    state.notice = notice;
    notice->show();
}

void startJournal(MainWindow& form)
{
    JournalState& state = form.journal();
    state.journal = std::make_unique<Journal>(state.folder.path());
    QObject::connect(
        state.journal.get(), &Journal::failed, &form,
        [&form](const QString& fileName, const QString& reason) { showJournalFailure(form, fileName, reason); });
}

// Puts rows into the table after those it holds and leaves the grid on the last one.
void appendRows(MainWindow& form, const ReadingTable& rows)
{
    ReadingTableModel& cds1 = form.record().cds1;
    ReadingTable table = cds1.table();
    rows.visitRows([&table](const ReadingTable::RowView& row) { table.append(row.No, row.texts, row.instant); });
    cds1.replaceTable(table);
    form.ui->DBGrid1->setCurrentTableRow(table.rowCount() - 1);
}

}  // namespace

void MainWindow::setupJournal()
{
    m_journal = std::make_unique<JournalState>();
    // Added items come after the menu's own, in code, so the stored layout stays as it is.
    ui->Rec->addSeparator();
    m_journal->Recordings = ui->Rec->addAction(QStringLiteral("Recordings…"));
    m_journal->Recordings->setObjectName(QStringLiteral("Recordings"));
    m_journal->KeepRecordings = ui->Rec->addAction(QStringLiteral("Keep recordings on disk"));
    m_journal->KeepRecordings->setObjectName(QStringLiteral("KeepRecordings"));
    m_journal->KeepRecordings->setCheckable(true);
    m_journal->KeepRecordings->setChecked(true);
    connect(m_journal->Recordings, &QAction::triggered, this, &MainWindow::RecordingsClick);
    connect(m_journal->KeepRecordings, &QAction::toggled, this,
            [this](bool keep) { KeepRecordingsOnDisk(*this, keep); });
    m_journal->folder.removeOlderThan(keptDays, QDateTime::currentDateTime());
    startJournal(*this);
}

void KeepRecordingsOnDisk(MainWindow& form, bool keep)
{
    JournalState& state = form.journal();
    if (state.KeepRecordings->isChecked() != keep)
        state.KeepRecordings->setChecked(keep);  // runs this again through its toggled signal
    else if (keep && !state.journal)
        startJournal(form);
    else if (!keep)
        state.journal.reset();
}

void MainWindow::journalRowAdmitted()
{
    ReadingTableModel& cds1 = m_record->cds1;
    const int last = cds1.tableRowCount() - 1;
    const RowInstant now = RowInstant::now();
    cds1.setInstant(last, now);
    if (!m_journal->journal)
        return;
    const ReadingTable& table = cds1.table();
    m_journal->journal->admit(
        table.number(last), now,
        {table.textView(last, ReadingTable::FieldTime), table.textView(last, ReadingTable::FieldValue),
         table.textView(last, ReadingTable::FieldUnit), table.textView(last, ReadingTable::FieldVRange),
         table.textView(last, ReadingTable::FieldIRange)},
        last == 0);
}

void MainWindow::journalTableEmptied()
{
    if (m_journal->journal)
        m_journal->journal->end();
}

void MainWindow::restoreRecording()
{
    std::optional<JournalFolder::Interrupted> found = m_journal->folder.takeInterrupted();
    if (!found)
        return;
    const ReadingTable& rows = found->rows;
    const int count = rows.rowCount();
    const std::optional<RowInstant> last = rows.instant(count - 1);
    const QString lastAt = last ? RecordingsDialog::localText(last).mid(11)
                                : QString::fromLatin1(rows.text(count - 1, ReadingTable::FieldTime));
    const QString text = QStringLiteral("The recording started %1 (%2 readings, last at %3) was not closed. "
                                        "Restore it into the table?")
                             .arg(RecordingsDialog::localText(rows.instant(0)))
                             .arg(count)
                             .arg(lastAt);
    if (dialogs().message(text, QStringLiteral("KM610_KM620"), Dialogs::Icon::Question, Dialogs::Yes | Dialogs::No) !=
        Dialogs::Yes) {
        // Left where it is, and not asked about again.
        QFile::remove(JournalFolder::markerOf(found->lock.path()));
        return;
    }
    appendRows(*this, rows);
    m_record->recorder.RecordNo = rows.number(count - 1) + 1;
    if (m_journal->journal)
        m_journal->journal->resume(std::move(found->lock), found->goodBytes);
    else
        QFile::remove(JournalFolder::markerOf(found->lock.path()));
}

void MainWindow::RecordingsClick()
{
    if (!m_journal->dialog) {
        auto* dialog = new RecordingsDialog(m_journal->folder, this);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        connect(dialog, &RecordingsDialog::openRequested, this, [this](const QString& fileName) {
            OpenRecording(*this, fileName);
            update();
        });
        m_journal->dialog = dialog;
    }
    m_journal->dialog->reload();
    m_journal->dialog->show();
    m_journal->dialog->raise();
}

bool OpenRecording(MainWindow& form, const QString& fileName)
{
    ReadingTable rows;
    QFile file(fileName);
    const bool read = file.open(QIODevice::ReadOnly) && DatedCsvFile::readInto(file, DatedCsvFile::Mode::Journal, rows);
    if (!read) {
        form.dialogs().message(QStringLiteral("Failed to Load File!"), QStringLiteral("Error"), Dialogs::Icon::Error,
                               Dialogs::Ok);
        return false;
    }
    appendRows(form, rows);
    return true;
}
