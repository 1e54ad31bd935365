// One admitted reading as the logger writes it: the row the window's table would hold, with the instant
// of its admission and what the frame told besides.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <optional>

#include "display/Reading.h"
#include "logger/LogOptions.h"
#include "record/RowInstant.h"

struct LogRow {
    qint32 No = 0;
    RowInstant instant;
    QByteArray time;  // the grid's time text
    Reading reading;  // Value, Unit, V_Range, I_Range as the table holds them (code page 936)
    int function = -1;
    bool hold = false;
    bool overload = false;
    bool max = false;
    bool min = false;
    std::optional<double> value;  // none for "OL"
};

// The lines a log file starts with: the header of a CSV file, nothing for JSON lines.
QByteArrayView logHeader(LogFormat format);
// Appends one row, its line end included.
void appendLogRow(QByteArray& out, LogFormat format, const LogRow& row);
// The number of a row as appendLogRow wrote it (its line without the line end); none for any other line.
std::optional<qint32> loggedNumber(LogFormat format, QByteArrayView line);
// The name of a function code, as the meter simulator's --function takes it; empty for none.
QByteArrayView functionName(int function);
