// The recorder: decides which decoded readings become rows of the reading table.
//
// The admission test runs three conditions in a fixed order: the record limit, the sampling interval's
// gate and the repeat rule. The decoder asks the same test before it plots a reading, so the chart and the
// table always agree.
#pragma once

#include <QByteArray>
#include <QString>
#include <QTime>
#include <functional>

#include "display/Reading.h"

class QLocale;
class ReadingTableModel;
class SamplingInterval;

// The window's recording controls at the moment of a reading.
struct RecordControls {
    bool repeatSet = true;    // "Repeat": identical successive values are recorded too
    bool intervalOn = false;  // RecordSI
    QString intervalText;     // RecordSITime
};

class Recorder {
public:
    using Clock = std::function<QTime()>;
    static constexpr qint32 limitless = 10000000;  // "Limitless" is ten million rows

    qint32 RecordNo = 1;        // the number the next admitted reading receives
    qint32 RecordLimit = 10000;  // the highest RecordNo still admitted
    QByteArray LastValue;        // value of the previous reading that passed the limit and the gate

    // A null clock reads the system clock; an empty separator takes the system locale's.
    Recorder(ReadingTableModel& table, SamplingInterval& interval, Clock clock = {}, QString timeSeparator = {});

    bool admissionTest(const QByteArray& valueText, const RecordControls& controls) const;
    // Records the reading when the test passes; kind 1 is a decoded reading, any other kind does nothing.
    // True when a row was appended.
    bool INDataToTable(int kind, const Reading& reading, const RecordControls& controls);
    // Empties the table and numbers from 1 again.
    void clear();
    QString timeText(const QTime& time) const;

    // The mark between hour, minute and second: the locale's when it is one mark without blanks (":" or
    // "."), else ":".
    static QString timeSeparatorOf(const QLocale& locale);
    static QString systemTimeSeparator();

private:
    ReadingTableModel& m_table;
    SamplingInterval& m_interval;
    Clock m_clock;
    QString m_timeSeparator;
};
