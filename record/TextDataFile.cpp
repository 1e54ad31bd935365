#include "record/TextDataFile.h"

#include <QFile>
#include <QSaveFile>
#include <array>
#include <cmath>
#include <limits>

#include "display/MeterNumber.h"
#include "record/ByteLineReader.h"
#include "dialogs/BackgroundWork.h"
#include "record/ReadingTable.h"
#include "record/WholeFileSave.h"

namespace {
constexpr qsizetype writeBlock = 1 << 20;
constexpr qint64 progressLines = 1 << 16;

bool isBlank(char c)
{
    return static_cast<unsigned char>(c) <= 32;
}

// Control characters 1..32 separate items; a zero byte cannot occur inside a line.
bool isSeparator(char c)
{
    const auto code = static_cast<unsigned char>(c);
    return code >= 1 && code <= 32;
}

// A double-quoted item starting at pos: the text up to the matching quote, "" standing for one quote.
// An item without a closing quote runs to the end of the line.
QByteArray quotedItem(QByteArrayView line, qsizetype& pos)
{
    QByteArray item;
    ++pos;
    while (pos < line.size()) {
        const char c = line[pos++];
        if (c != '"') {
            item.append(c);
        } else if (pos < line.size() && line[pos] == '"') {
            item.append('"');
            ++pos;
        } else {
            break;
        }
    }
    return item;
}
// Nearly every record number is a plain whole number, which needs no conversion through a double: an
// optional sign and up to nine digits, or nothing when the item is anything else.
std::optional<qint32> plainWholeNumber(QByteArrayView item)
{
    const bool signed_ = !item.isEmpty() && (item[0] == '+' || item[0] == '-');
    const std::optional<int> value = decimalValue(signed_ ? item.sliced(1) : item);
    if (!value)
        return std::nullopt;
    return item[0] == '-' ? -*value : *value;
}
}  // namespace

QByteArrayView TextDataFile::trimmed(QByteArrayView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    return text.sliced(begin, end - begin);
}

bool TextDataFile::save(const ReadingTable& table, const QList<QByteArray>& titles, const QString& fileName,
                        WorkProgress* progress)
{
    QSaveFile file(fileName);
    // A writable file in a folder that is not writable has no room for a temporary file beside it: then,
    // and only then, the file is written in place.
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QByteArray block = titles.join('\t') + "\r\n";
    bool written = true;
    for (int rows = 0; written && rows < table.blockCount(); ++rows) {
        if (progress && !progress->advance(rows, table.blockCount()))
            written = false;
        else
            table.visitBlock(rows, [&](const ReadingTable::RowView& row) {
                block.append(QByteArray::number(row.No));
                for (const QByteArrayView text : row.texts) {
                    const QByteArrayView field = trimmed(text);
                    block.append('\t');
                    block.append(field.isEmpty() ? QByteArrayView("NULL") : field);
                }
                block.append("\r\n");
                if (block.size() >= writeBlock) {
                    written = written && file.write(block) == block.size();
                    block.clear();
                }
            });
    }
    written = written && file.write(block) == block.size();
    return commitWhole(file, written);
}

void TextDataFile::splitInto(QByteArrayView line, LineItems& items)
{
    items.views.clear();
    qsizetype pos = 0;
    auto skipSeparators = [&] {
        while (pos < line.size() && isSeparator(line[pos]))
            ++pos;
    };
    skipSeparators();
    while (pos < line.size() && items.views.size() <= maxItems) {
        if (line[pos] == '"') {
            QByteArray& quoted = items.quoted[size_t(items.views.size())];
            quoted = quotedItem(line, pos);
            items.views.push_back(quoted);
        } else {
            const qsizetype begin = pos;
            while (pos < line.size() && !isBlank(line[pos]))
                ++pos;
            items.views.push_back(line.sliced(begin, pos - begin));
        }
        const qsizetype separatorsFrom = pos;
        skipSeparators();
        if (pos == line.size() && pos > separatorsFrom && line.back() == '\t')
            items.views.push_back(QByteArrayView());
    }
}

std::optional<qint32> TextDataFile::toRecordNumber(QByteArrayView item, QByteArrayView decimalSep)
{
    // Checked here, converted by the C library once the separator reads ".".
    item = trimmed(item);
    if (const std::optional<qint32> whole = plainWholeNumber(item))
        return whole;
    QByteArray number;
    qsizetype pos = 0;
    if (pos < item.size() && (item[pos] == '+' || item[pos] == '-'))
        number.append(item[pos++]);
    auto takeDigits = [&] {
        const qsizetype begin = pos;
        while (pos < item.size() && item[pos] >= '0' && item[pos] <= '9')
            ++pos;
        number.append(item.sliced(begin, pos - begin));
        return pos - begin;
    };
    qsizetype digits = takeDigits();
    if (!decimalSep.isEmpty() && item.sliced(pos).startsWith(decimalSep)) {
        pos += decimalSep.size();
        number.append('.');
        digits += takeDigits();
    }
    if (digits == 0 || pos != item.size())
        return std::nullopt;
    // A number too long for a double converts to nothing (not to 0), and is no record number.
    bool ok = false;
    const double value = number.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    const double rounded = std::nearbyint(value);
    if (rounded < std::numeric_limits<qint32>::min() || rounded > std::numeric_limits<qint32>::max())
        return std::nullopt;
    return static_cast<qint32>(rounded);
}

bool TextDataFile::load(const QString& fileName, ReadingTable& table, QByteArrayView decimalSep, WorkProgress* progress)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    ByteLineReader lines(file);
    QByteArrayView line;
    // The first line holds the titles, whatever they are.
    if (!lines.next(line))
        return false;
    LineItems items;
    for (qint64 count = 0; lines.next(line); ++count) {
        if (progress && count % progressLines == 0 && !progress->advance(file.pos(), file.size()))
            return false;
        splitInto(line, items);
        if (items.views.isEmpty())
            continue;
        if (items.views.size() > maxItems)
            return false;
        const std::optional<qint32> number = toRecordNumber(items.views[0], decimalSep);
        if (!number)
            return false;
        std::array<QByteArrayView, maxItems - 1> texts;
        for (qsizetype i = 1; i < items.views.size(); ++i)
            texts[size_t(i - 1)] = items.views[i];
        table.append(*number, texts);
    }
    return !lines.failed();
}
