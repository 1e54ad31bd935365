#include "record/DatedCsvFile.h"

#include <QFile>
#include <QSaveFile>

#include "dialogs/BackgroundWork.h"
#include "record/ReadingTable.h"
#include "record/WholeFileSave.h"

namespace {
constexpr qsizetype block = 1 << 20;
}

bool DatedCsvFile::save(const ReadingTable& table, const QString& fileName, WorkProgress* progress)
{
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QByteArray out = DatedCsv::header.toByteArray();
    out.reserve(block + 4096);
    bool written = true;
    for (int rows = 0; written && rows < table.blockCount(); ++rows) {
        if (progress && !progress->advance(rows, table.blockCount())) {
            written = false;
            break;
        }
        table.visitBlock(rows, [&](const ReadingTable::RowView& row) {
            DatedCsv::appendRow(out, row.No, row.instant, row.texts);
            if (out.size() >= block) {
                written = written && file.write(out) == out.size();
                out.resize(0);
            }
        });
    }
    written = written && file.write(out) == out.size();
    return commitWhole(file, written);
}

bool DatedCsvFile::hasHeader(const QString& fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    QByteArray first = file.read(DatedCsv::header.size() + 3);
    const qsizetype end = first.indexOf('\n');
    if (end < 0)
        return false;
    first.truncate(end);
    if (first.endsWith('\r'))
        first.chop(1);
    return DatedCsv::isHeader(first);
}

bool DatedCsvFile::read(QIODevice& device, Mode mode, const RowVisitor& visit, qint64* goodBytes,
                        WorkProgress* progress)
{
    QByteArray buffer;
    qint64 consumed = 0;  // file offset of buffer[0]
    qsizetype start = 0;  // start of the record being looked for
    qsizetype scanFrom = 0;
    bool atEnd = false;
    bool header = true;
    DatedCsv::RowView row;
    if (goodBytes)
        *goodBytes = 0;
    for (;;) {
        const qsizetype lineEnd = buffer.indexOf('\n', scanFrom);
        QByteArrayView record;
        qsizetype next;
        if (lineEnd >= 0) {
            record = QByteArrayView(buffer).sliced(start, lineEnd - start);
            // A quoted field may hold line breaks: the record goes on to the next one.
            if (!DatedCsv::recordComplete(record)) {
                scanFrom = lineEnd + 1;
                continue;
            }
            if (record.endsWith('\r'))
                record.chop(1);
            next = lineEnd + 1;
        } else if (!atEnd) {
            // No row of a reading is this long: an open quote that never closes.
            if (buffer.size() - start > 4 * block)
                return mode == Mode::Journal && !header;
            buffer.remove(0, start);
            consumed += start;
            scanFrom -= start;
            start = 0;
            if (progress && !progress->advance(consumed, device.size()))
                return false;
            const QByteArray more = device.read(block);
            if (more.isEmpty()) {
                if (device.atEnd() || !device.isOpen())
                    atEnd = true;
                else
                    return false;
            }
            buffer.append(more);
            continue;
        } else {
            // The rest has no line end: a file written without a final one, or a journal cut off.
            if (start == buffer.size())
                return !header;
            if (mode == Mode::Journal)
                return !header;
            record = QByteArrayView(buffer).sliced(start);
            next = buffer.size();
        }
        if (header) {
            if (!DatedCsv::isHeader(record))
                return false;
            header = false;
        } else if (!record.isEmpty()) {
            if (!DatedCsv::parseRow(record, row))
                return mode == Mode::Journal;
            visit(row);
        }
        start = scanFrom = next;
        if (goodBytes)
            *goodBytes = consumed + next;
        if (next == buffer.size() && atEnd)
            return true;
    }
}

bool DatedCsvFile::readInto(QIODevice& device, Mode mode, ReadingTable& table, qint64* goodBytes,
                            WorkProgress* progress)
{
    return read(
        device, mode, [&table](const DatedCsv::RowView& row) { table.append(row.No, row.texts, row.instant); },
        goodBytes, progress);
}

bool DatedCsvFile::load(const QString& fileName, ReadingTable& table, WorkProgress* progress)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const int before = table.rowCount();
    const bool read = readInto(file, Mode::Strict, table, nullptr, progress);
    if (!read)
        table.truncate(before);
    return read;
}
