// Which decoded readings become rows. Three conditions in a fixed order: the record limit, the sampling
// interval's gate and the repeat rule. The window's recorder and chart and the command-line logger all ask
// this one rule, so every front end records the same readings.
#pragma once

#include <QByteArray>
#include <QString>
#include <functional>

class SamplingInterval;

// The recording controls at the moment of a reading.
struct RecordControls {
    bool repeatSet = true;    // "Repeat": identical successive values are recorded too
    bool intervalOn = false;  // RecordSI
    QString intervalText;     // RecordSITime
};

class RecordAdmission {
public:
    qint32 RecordNo = 1;         // the number the next admitted reading receives
    qint32 RecordLimit = 10000;  // the highest RecordNo still admitted
    QByteArray LastValue;        // value of the previous reading that passed the limit and the gate

    explicit RecordAdmission(SamplingInterval& interval) : m_interval(interval) {}

    // The admission test, a query without side effects.
    bool admissionTest(const QByteArray& valueText, const RecordControls& controls) const;

    // The number an admitted reading receives; `write` stores its row and says whether that worked.
    using RowWriter = std::function<bool(qint32 number)>;
    // Takes one reading through the recording steps. A reading past the limit or the closed gate changes
    // nothing; any other uses up a number and becomes the last value, whether or not the repeat rule lets
    // it become a row. An admitted reading reloads the interval's countdown and is written; when either
    // fails, nothing changes. True when a row was written.
    bool admit(const QByteArray& valueText, const RecordControls& controls, const RowWriter& write);

private:
    // The part of the test that decides whether a reading uses up a number.
    bool numberAvailable(const RecordControls& controls) const;

    SamplingInterval& m_interval;
};
