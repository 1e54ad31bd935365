#include "app/MainWindowRecord.h"

#include <QAction>
#include <QPointer>
#include <functional>

#include "app/MainWindow.h"
#include "dialogs/BackgroundWork.h"
#include "display/Cp936.h"
#include "record/DataFiles.h"
#include "record/ReadingGrid.h"
#include "ui_MainWindow.h"

namespace {

// The CSV with date and time comes after the three long-standing formats, so the first stays selected.
const QString dataFileFilter = QStringLiteral(
    "Excel File(*.xls);;XML(*.xml);;Txt File(*.txt);;CSV with date and time (*.csv)");

RecordControls controlsOf(const Ui::MainWindow& ui)
{
    return {ui.RepeatSet->isChecked(), ui.RecordSI->isChecked(), ui.RecordSITime->text()};
}

// Sets the record limit and moves the tick in Record > RecordSet to the chosen item.
void chooseRecordLimit(MainWindow& form, qint32 limit, QAction* chosen)
{
    form.record().recorder.RecordLimit = limit;
    for (QAction* item :
         {form.ui->set1k, form.ui->set5k, form.ui->set10k, form.ui->set50k, form.ui->set100k, form.ui->setlimit})
        item->setChecked(item == chosen);
}

}  // namespace

RecordState::RecordState(Recorder::Clock clock)
    : recorder(cds1, interval, std::move(clock)), RecordSITimeKeyPress(&SamplingInterval::acceptsTypedText)
{
}

void MainWindow::setupRecord()
{
    m_record = std::make_unique<RecordState>(m_env.clock);
    ui->DBGrid1->setModel(&m_record->cds1);
    ui->DBGrid1->setDeleteConfirmation([this] {
        return dialogs().message(QStringLiteral("Delete record?"), QStringLiteral("Confirm"), Dialogs::Icon::Question,
                                 Dialogs::Ok | Dialogs::Cancel) == Dialogs::Ok;
    });
    ui->RecordSITime->installEventFilter(&m_record->RecordSITimeKeyPress);
    ui->RecordSITime->setValidator(&m_record->intervalValidator);
}

bool MainWindow::AdmissionTest() const
{
    return m_record->recorder.admissionTest(reading().ValueText, controlsOf(*ui));
}

void MainWindow::INDataToTable(int kind)
{
    if (m_record->recorder.INDataToTable(kind, reading(), controlsOf(*ui)))
        journalRowAdmitted();
}

void MainWindow::ClearRClick()
{
    // Information only: the records go however the box is closed.
    dialogs().message(QStringLiteral(" Warning:all Records will be deleted! "), QStringLiteral("Information"),
                      Dialogs::Icon::Information, Dialogs::Ok);
    m_record->recorder.clear();
    journalTableEmptied();
    chartClear();
}

void MainWindow::set1kClick()
{
    chooseRecordLimit(*this, 1000, ui->set1k);
}

void MainWindow::set5kClick()
{
    chooseRecordLimit(*this, 5000, ui->set5k);
}

void MainWindow::set10kClick()
{
    chooseRecordLimit(*this, 10000, ui->set10k);
}

void MainWindow::set50kClick()
{
    chooseRecordLimit(*this, 50000, ui->set50k);
}

void MainWindow::set100kClick()
{
    chooseRecordLimit(*this, 100000, ui->set100k);
}

void MainWindow::setlimitClick()
{
    chooseRecordLimit(*this, Recorder::limitless, ui->setlimit);
}

void MainWindow::SearchRClick() {}

void MainWindow::RecordSITimeChange()
{
    m_record->interval.reload(ui->RecordSITime->text());
}

void MainWindow::SampInterTimeTimer()
{
    m_record->interval.tick(ui->RecordSI->isChecked());
}

void MainWindow::Save_asClick()
{
    if (m_record->fileWorkRunning)
        return;
    const QString name = dialogs().saveFileName(QStringLiteral("Save As"), dataFileFilter, QStringLiteral("xls"));
    if (name.isEmpty())
        return;
    SaveTable(*this, name);
    update();
}

void MainWindow::OpenClick()
{
    if (m_record->fileWorkRunning)
        return;
    const QString name = dialogs().openFileName(QStringLiteral("Open"), dataFileFilter);
    if (name.isEmpty())
        return;
    LoadTable(*this, name, false);
    update();
}

namespace {

// Runs a data file's work beside the window's thread, one at a time. False when the window went meanwhile.
bool runFileWork(MainWindow& form, WorkProgress& progress, const std::function<void()>& work, const QString& text,
                 const QString& caption)
{
    const QPointer<MainWindow> window(&form);
    const auto ended = [&] {
        if (window)
            form.record().fileWorkRunning = false;
    };
    form.record().fileWorkRunning = true;
    try {
        runBeside(progress, work, form.dialogs().progressBoxes(text, caption));
    } catch (...) {
        ended();
        throw;
    }
    ended();
    return !window.isNull();
}

}  // namespace

void SaveTable(MainWindow& form, const QString& fileName)
{
    // The rows as they are now are written while readings go on being recorded.
    const ReadingTable table = form.record().table();
    const QList<QByteArray> titles = form.ui->DBGrid1->columnTitles();
    WorkProgress progress;
    bool saved = false;
    const auto save = [&] { saved = DataFiles::save(table, titles, fileName, &progress); };
    if (!runFileWork(form, progress, save, QStringLiteral("Saving ") + fileName, QStringLiteral("Save")))
        return;
    // A cancelled save leaves the former file, and is no failure to report.
    if (!saved && progress.cancelled())
        return;
    if (!saved) {
        form.dialogs().message(QStringLiteral("Could not save table to specified file: ") + fileName,
                               QStringLiteral("Error"), Dialogs::Icon::Error, Dialogs::Ok);
        return;
    }
    // Writing the text file visits every row and leaves the table on its last one.
    if (!DataFiles::savesAsXml(fileName))
        form.ui->DBGrid1->setCurrentTableRow(form.record().table().rowCount() - 1);
    form.dialogs().message(QStringLiteral("Save table to specified file: ") + fileName + QStringLiteral(" Scuss!"),
                           QStringLiteral("Information"), Dialogs::Icon::Information, Dialogs::Ok);
}

void LoadTable(MainWindow& form, const QString& fileName, bool emptyFirst)
{
    ReadingTableModel& cds1 = form.record().cds1;
    if (emptyFirst)
        cds1.clear();
    // The file is read into a copy that the grid never sees, while readings go on being recorded; the table
    // takes the rows in one step once the whole file is read, with the rows recorded meanwhile after them.
    ReadingTable rows = cds1.table();
    const int before = rows.rowCount();
    const QByteArray decimalSep = cp936::fromUnicode(form.DecimalSep);
    cds1.markAppends();
    WorkProgress progress;
    bool loaded = false;
    const auto load = [&] { loaded = DataFiles::open(fileName, rows, decimalSep, &progress); };
    if (!runFileWork(form, progress, load, QStringLiteral("Opening ") + fileName, QStringLiteral("Open")))
        return;
    // A cancelled load leaves the table as it was.
    if (!loaded && progress.cancelled())
        return;
    if (loaded || rows.rowCount() != before) {
        // A packet opens at its first row; appended text lines leave the grid on the last one.
        const bool packet = loaded && DataFiles::opensAsXml(fileName);
        cds1.takeLoadedRows(std::move(rows), before, packet);
        form.ui->DBGrid1->setCurrentTableRow(packet ? 0 : cds1.tableRowCount() - 1);
    }
    if (!loaded)
        form.dialogs().message(QStringLiteral("Failed to Load File!"), QStringLiteral("Error"), Dialogs::Icon::Error,
                               Dialogs::Ok);
}
