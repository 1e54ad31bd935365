// The instant a reading was admitted: UTC milliseconds and the local offset from UTC in force then, so a
// log kept over a change of daylight saving time or a trip across zones still reads the wall clock of
// each reading.
#pragma once

#include <QtGlobal>

struct RowInstant {
    qint64 utcMs = 0;
    qint32 offsetSeconds = 0;  // local time minus UTC

    static RowInstant now();

    friend bool operator==(const RowInstant&, const RowInstant&) = default;
};
