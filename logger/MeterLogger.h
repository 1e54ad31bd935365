// The logger's way of one frame: the decoder's state takes it in as the window's does, the recorder's
// admission rule decides whether it becomes a row, and an admitted reading is written at once with the
// instant of its admission. Nothing is kept but the last reading, so memory stays the same however long
// it runs. It ends after --count rows or --duration, when the output fails, or when the link is gone for
// good.
#pragma once

#include <QObject>
#include <QTimer>

#include "display/MeterState.h"
#include "logger/LogOptions.h"
#include "logger/LogRow.h"
#include "record/ReadingTableModel.h"
#include "record/Recorder.h"
#include "record/SamplingInterval.h"

class LogOutput;
class MeterSource;

class MeterLogger : public QObject {
    Q_OBJECT

public:
    MeterLogger(const LogOptions& options, MeterSource& source, LogOutput& output, QObject* parent = nullptr);

    // Starts the clocks: the sampling interval's tick and the run's duration.
    void start();
    void takeFrame(const QByteArray& frame);

    bool linkUp() const { return m_linkUp; }
    qint64 rows() const { return m_rows; }
    // The last reading written; none yet when rows() is 0.
    const Reading& lastRow() const { return m_lastRow; }

signals:
    // Rows written or the link's state changed.
    void changed();
    // Logging is over: 0 when it ended as asked, 1 after a failure; the message says why (empty when done).
    void finished(int exitCode, const QString& message);

private:
    bool writeRow(qint32 number, const FrameResult& frame);
    void finish(int exitCode, const QString& message = {});

    const LogOptions& m_options;
    LogOutput& m_output;
    const QString m_decimalSep = MeterState::systemDecimalSeparator();
    const RecordControls m_controls;
    MeterState m_meter;
    // The recorder's numbering, time text and admission; its table stays empty, the rows go to the output.
    ReadingTableModel m_noTable;
    SamplingInterval m_interval;
    Recorder m_recorder;
    QTimer m_intervalTick;
    QTimer m_duration;
    QByteArray m_line;  // one row's text, its buffer kept from row to row
    Reading m_lastRow;
    qint64 m_rows = 0;
    bool m_linkUp = true;
    bool m_finished = false;
};
