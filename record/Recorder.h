// The recorder: the decoded readings that the admission rule lets through become rows of the reading table.
// The decoder asks the same test before it plots a reading, so the chart and the table always agree.
#pragma once

#include <QByteArray>
#include <QString>
#include <QTime>
#include <functional>

#include "display/Reading.h"
#include "record/RecordAdmission.h"

class QLocale;
class ReadingTableModel;
class SamplingInterval;

class Recorder : public RecordAdmission {
public:
    using Clock = std::function<QTime()>;
    static constexpr qint32 limitless = 10000000;  // "Limitless" is ten million rows

    // A null clock reads the system clock; an empty separator takes the system locale's.
    Recorder(ReadingTableModel& table, SamplingInterval& interval, Clock clock = {}, QString timeSeparator = {});

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
    Clock m_clock;
    QString m_timeSeparator;
};
