// The CSV file with date and time: one reading a line, readable by spreadsheets and data tools.
//
//   No,Timestamp,Time,Value,Unit,V_Range,I_Range              (CR LF after every line, UTF-8, no BOM)
//   1,2026-12-10T14:05:09.123+01:00,14:05:09,230.5,V,600.0V,40.0A
//
// Timestamp is the local wall clock of the admission with milliseconds and the UTC offset then, empty
// when the instant is unknown (rows read from the text or XML files). Time is the grid's time text; the
// texts are the table's code page 936 bytes converted to UTF-8 ("℃" is written as E2 84 83). Fields that
// hold a comma, a quote or a line break are quoted, a quote doubled inside.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <array>
#include <optional>

#include "record/RowInstant.h"

class DatedCsv {
public:
    static constexpr QByteArrayView header = "No,Timestamp,Time,Value,Unit,V_Range,I_Range\r\n";

    // texts: time, Value, Unit, V_Range, I_Range as the table holds them (code page 936).
    using Texts = std::array<QByteArrayView, 5>;
    // Appends one line, CR LF included. An instant outside the years 0000..9999 is written as unknown.
    static void appendRow(QByteArray& out, qint32 No, const std::optional<RowInstant>& instant, const Texts& texts);

    // "2026-12-10T14:05:09.123+01:00" for local times in the years 0000..9999; an offset with seconds is
    // written as +HH:MM:SS.
    static QByteArray timestamp(const RowInstant& instant);
    static void appendTimestamp(QByteArray& out, const RowInstant& instant);
    // The same form, also with "Z" for UTC and with 0 to 9 fraction digits (cut to milliseconds).
    static std::optional<RowInstant> parseTimestamp(QByteArrayView text);

    struct Row {
        qint32 No = 0;
        std::optional<RowInstant> instant;
        std::array<QByteArray, 5> texts;  // code page 936, as the table holds them
    };
    // One record without its final line end; nothing when it is not a row of this form.
    static std::optional<Row> parseRow(QByteArrayView record);
    // The same as views into the record, or into the row's own storage where a text had to be unquoted
    // or converted: no copies for the plain texts of nearly every row. Valid until the record or the row
    // changes. False when the record is not a row of this form.
    struct RowView {
        qint32 No = 0;
        std::optional<RowInstant> instant;
        Texts texts;
        std::array<QByteArray, 7> unquoted;
        std::array<QByteArray, 5> converted;
    };
    static bool parseRow(QByteArrayView record, RowView& row);
    // Whether the first line is the header (a leading UTF-8 BOM, as spreadsheets write, is allowed).
    static bool isHeader(QByteArrayView firstLine);
    // False while a quoted field is still open at the end of text: its record goes on after a line break.
    static bool recordComplete(QByteArrayView text);
};
