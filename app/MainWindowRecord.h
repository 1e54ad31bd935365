// The window's recording part: the reading table cds1 under the grid DBGrid1, the recorder, the sampling
// interval with its key filter, and the data files.
#pragma once

#include <QString>

#include "record/IntervalValidator.h"
#include "record/KeyPressFilter.h"
#include "record/ReadingTableModel.h"
#include "record/Recorder.h"
#include "record/SamplingInterval.h"

struct RecordState {
    explicit RecordState(Recorder::Clock clock);

    const ReadingTable& table() const { return cds1.table(); }

    ReadingTableModel cds1;
    SamplingInterval interval;
    Recorder recorder;
    KeyPressFilter RecordSITimeKeyPress;  // digits and backspace only
    IntervalValidator intervalValidator;  // and no other text by paste or drop either
    bool fileWorkRunning = false;         // a save or open runs beside the window: no second one starts
};

class MainWindow;

// Writes the table in the format the name picks and reports the outcome.
void SaveTable(MainWindow& form, const QString& fileName);
// Reads the file into the table (emptied first when asked) and reports a failure.
void LoadTable(MainWindow& form, const QString& fileName, bool emptyFirst);
