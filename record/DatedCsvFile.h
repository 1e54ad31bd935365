// Whole files in the CSV form with date and time (see DatedCsv.h): saving the table, opening a file, and
// reading back a recording journal that may end in a line cut off by a crash.
#pragma once

#include <QString>
#include <functional>

#include "record/DatedCsv.h"

class QIODevice;
class ReadingTable;

class DatedCsvFile {
public:
    // Writes through a temporary file that replaces the target only when complete.
    static bool save(const ReadingTable& table, const QString& fileName);
    // Whether the file's first line is the header of this form.
    static bool hasHeader(const QString& fileName);
    // Appends every row of the file with its instant, or none when any line is not a row of this form.
    static bool load(const QString& fileName, ReadingTable& table);

    // Reads records after the header, handing each row to `row`. Strict: every record must be a row (a
    // last one without line end too). Journal: reading stops before the first record that is not a row
    // or has no line end, as a crash leaves the last one. `goodBytes` is the length of the file up to
    // the end of the last row read. False when the device cannot be read, has no header, or (strict) a
    // record is not a row.
    enum class Mode { Strict, Journal };
    using RowVisitor = std::function<void(const DatedCsv::RowView&)>;
    static bool read(QIODevice& device, Mode mode, const RowVisitor& row, qint64* goodBytes = nullptr);
    // The same, appending each row with its instant to the table (rows read before a failure stay).
    static bool readInto(QIODevice& device, Mode mode, ReadingTable& table, qint64* goodBytes = nullptr);
};
