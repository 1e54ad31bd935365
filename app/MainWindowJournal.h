// The window's part of the recording journal: every admitted row also goes to the journal on disk, the
// offer to restore a recording a crash left open, the notice when the journal cannot be written, and
// Record > Recordings… with the "Keep recordings on disk" switch.
#pragma once

#include <QPointer>
#include <memory>

#include "record/Journal.h"
#include "record/JournalFolder.h"

class QAction;
class QMessageBox;
class RecordingsDialog;

struct JournalState {
    JournalFolder folder;
    std::unique_ptr<Journal> journal;  // only while recordings are kept on disk
    QAction* Recordings = nullptr;
    QAction* KeepRecordings = nullptr;
    QPointer<QMessageBox> notice;  // the one notice of a journal that cannot be written
    QPointer<RecordingsDialog> dialog;
};

class MainWindow;

// Opens a journal into the table: its complete rows are appended with their instants.
bool OpenRecording(MainWindow& form, const QString& fileName);
// Turns the journal on or off, as the "Keep recordings on disk" item does.
void KeepRecordingsOnDisk(MainWindow& form, bool keep);
