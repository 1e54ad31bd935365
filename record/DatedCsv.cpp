#include "record/DatedCsv.h"

#include <QStringDecoder>
#include <cstring>
#include <iterator>
#include <limits>

#include "display/Cp936.h"

namespace {

constexpr qint64 msPerDay = 86400000;

bool isAscii(QByteArrayView text)
{
    for (char c : text)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

// Days since 1970-01-01 of a date in the proleptic Gregorian calendar, and back (H. Hinnant's algorithms:
// exact for every date, no time zone database, a few operations each).
qint64 daysFromCivil(qint64 y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const qint64 era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<qint64>(doe) - 719468;
}

void civilFromDays(qint64 z, qint64& y, unsigned& m, unsigned& d)
{
    z += 719468;
    const qint64 era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y = static_cast<qint64>(yoe) + era * 400 + (m <= 2);
}

bool isLeap(qint64 y)
{
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

unsigned daysInMonth(qint64 y, unsigned m)
{
    static constexpr unsigned days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && isLeap(y) ? 29 : days[m - 1];
}

// Writes the record number at p (at most 11 characters) and returns its end.
char* writeNumber(char* p, qint32 No)
{
    char digits[10];
    char* d = std::end(digits);
    for (qint64 v = No < 0 ? -qint64(No) : qint64(No);; v /= 10) {
        *--d = char('0' + v % 10);
        if (v < 10)
            break;
    }
    if (No < 0)
        *p++ = '-';
    memcpy(p, d, size_t(std::end(digits) - d));
    return p + (std::end(digits) - d);
}

// Whether the local time falls in the years 0000..9999 that the timestamp's four digits can hold.
bool hasFourDigitYear(const RowInstant& instant)
{
    static const qint64 first = daysFromCivil(0, 1, 1) * msPerDay;
    static const qint64 end = daysFromCivil(10000, 1, 1) * msPerDay;
    const qint64 local = instant.utcMs + qint64(instant.offsetSeconds) * 1000;
    return local >= first && local < end;
}

// Reads exactly `width` digits at pos.
bool takeDigits(QByteArrayView text, qsizetype& pos, int width, int& value)
{
    if (pos + width > text.size())
        return false;
    value = 0;
    for (int i = 0; i < width; ++i) {
        const char c = text[pos + i];
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + (c - '0');
    }
    pos += width;
    return true;
}

bool takeChar(QByteArrayView text, qsizetype& pos, char c)
{
    if (pos >= text.size() || text[pos] != c)
        return false;
    ++pos;
    return true;
}

void appendField(QByteArray& out, QByteArrayView cp936Text)
{
    const QByteArray converted = isAscii(cp936Text) ? QByteArray() : cp936::toUnicode(cp936Text).toUtf8();
    const QByteArrayView field = isAscii(cp936Text) ? cp936Text : QByteArrayView(converted);
    bool quote = false;
    for (char c : field)
        quote = quote || c == ',' || c == '"' || c == '\r' || c == '\n';
    if (!quote) {
        out.append(field);
        return;
    }
    out.append('"');
    for (char c : field) {
        if (c == '"')
            out.append('"');
        out.append(c);
    }
    out.append('"');
}

// The code page 936 form of UTF-8 text: the text itself when it is ASCII, else converted into `storage`.
std::optional<QByteArrayView> toCp936(QByteArrayView utf8, QByteArray& storage)
{
    if (isAscii(utf8))
        return utf8;
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(utf8);
    if (decoder.hasError())
        return std::nullopt;
    storage = cp936::fromUnicode(text);
    return QByteArrayView(storage);
}

std::optional<qint32> toNumber(QByteArrayView text)
{
    const bool negative = text.startsWith('-');
    const QByteArrayView digits = negative ? text.sliced(1) : text;
    if (digits.isEmpty() || digits.size() > 10)
        return std::nullopt;
    qint64 value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    value = negative ? -value : value;
    if (value < std::numeric_limits<qint32>::min() || value > std::numeric_limits<qint32>::max())
        return std::nullopt;
    return static_cast<qint32>(value);
}

// The fields of a record as views into it or, for quoted fields, into `quoted`; false when a quote is
// out of place or the count is not seven.
constexpr int fieldCount = 7;
using Fields = std::array<QByteArrayView, fieldCount>;
bool splitFields(QByteArrayView record, Fields& fields, std::array<QByteArray, fieldCount>& quoted)
{
    // A zero byte is no text: what a crash leaves in blocks never written.
    if (record.contains('\0'))
        return false;
    // Nearly every record holds no quote: its fields are found from comma to comma.
    if (!record.contains('"')) {
        qsizetype begin = 0;
        for (int f = 0; f < fieldCount - 1; ++f) {
            const qsizetype comma = record.indexOf(',', begin);
            if (comma < 0)
                return false;
            fields[size_t(f)] = record.sliced(begin, comma - begin);
            begin = comma + 1;
        }
        fields[fieldCount - 1] = record.sliced(begin);
        return !fields[fieldCount - 1].contains(',');
    }
    qsizetype pos = 0;
    for (int f = 0; f < fieldCount; ++f) {
        if (pos < record.size() && record[pos] == '"') {
            QByteArray& field = quoted[size_t(f)];
            field.clear();
            ++pos;
            for (;;) {
                if (pos >= record.size())
                    return false;  // the closing quote is missing
                const char c = record[pos++];
                if (c != '"') {
                    field.append(c);
                } else if (pos < record.size() && record[pos] == '"') {
                    field.append('"');
                    ++pos;
                } else {
                    break;
                }
            }
            fields[size_t(f)] = field;
        } else {
            const qsizetype begin = pos;
            while (pos < record.size() && record[pos] != ',') {
                if (record[pos] == '"')
                    return false;
                ++pos;
            }
            fields[size_t(f)] = record.sliced(begin, pos - begin);
        }
        if (f == fieldCount - 1)
            return pos == record.size();
        if (!takeChar(record, pos, ','))
            return false;
    }
    return false;
}

}  // namespace

namespace {

char* twoDigits(char* p, qint64 value)
{
    p[0] = char('0' + value / 10);
    p[1] = char('0' + value % 10);
    return p + 2;
}

// Writes the timestamp at p (at most 32 characters) and returns its end. Readings come in runs of one day
// and one offset: the date and the offset are formatted once for the run.
char* writeTimestamp(char* p, const RowInstant& instant)
{
    struct Day {
        qint64 days = std::numeric_limits<qint64>::min();
        char text[11];
    };
    struct Offset {
        qint32 seconds = std::numeric_limits<qint32>::min();
        char text[9];
        int length = 0;
    };
    thread_local Day day;
    thread_local Offset offset;
    const qint64 local = instant.utcMs + qint64(instant.offsetSeconds) * 1000;
    qint64 days = local / msPerDay;
    qint64 msOfDay = local % msPerDay;
    if (msOfDay < 0) {
        msOfDay += msPerDay;
        --days;
    }
    if (days != day.days) {
        qint64 year;
        unsigned month, dayOfMonth;
        civilFromDays(days, year, month, dayOfMonth);
        char* d = twoDigits(twoDigits(day.text, year / 100), year % 100);
        *d++ = '-';
        d = twoDigits(d, month);
        *d++ = '-';
        d = twoDigits(d, dayOfMonth);
        *d = 'T';
        day.days = days;
    }
    if (instant.offsetSeconds != offset.seconds) {
        const qint32 magnitude = instant.offsetSeconds < 0 ? -instant.offsetSeconds : instant.offsetSeconds;
        char* o = offset.text;
        *o++ = instant.offsetSeconds < 0 ? '-' : '+';
        o = twoDigits(o, magnitude / 3600);
        *o++ = ':';
        o = twoDigits(o, magnitude / 60 % 60);
        if (magnitude % 60 != 0) {
            *o++ = ':';
            o = twoDigits(o, magnitude % 60);
        }
        offset.length = int(o - offset.text);
        offset.seconds = instant.offsetSeconds;
    }
    memcpy(p, day.text, sizeof day.text);
    p += sizeof day.text;
    p = twoDigits(p, msOfDay / 3600000);
    *p++ = ':';
    p = twoDigits(p, msOfDay / 60000 % 60);
    *p++ = ':';
    p = twoDigits(p, msOfDay / 1000 % 60);
    *p++ = '.';
    const qint64 ms = msOfDay % 1000;
    *p++ = char('0' + ms / 100);
    p = twoDigits(p, ms % 100);
    memcpy(p, offset.text, size_t(offset.length));
    return p + offset.length;
}

// Texts that go into a line as they are: ASCII without a comma, a quote or a line break.
bool isPlain(QByteArrayView text)
{
    for (char c : text)
        if (static_cast<unsigned char>(c) >= 0x80 || c == ',' || c == '"' || c == '\r' || c == '\n')
            return false;
    return true;
}

}  // namespace

void DatedCsv::appendTimestamp(QByteArray& out, const RowInstant& instant)
{
    char text[32];
    out.append(text, writeTimestamp(text, instant) - text);
}

QByteArray DatedCsv::timestamp(const RowInstant& instant)
{
    QByteArray out;
    out.reserve(32);
    appendTimestamp(out, instant);
    return out;
}

std::optional<RowInstant> DatedCsv::parseTimestamp(QByteArrayView text)
{
    qsizetype pos = 0;
    int year, month, day, hour, minute, second;
    if (!takeDigits(text, pos, 4, year) || !takeChar(text, pos, '-') || !takeDigits(text, pos, 2, month) ||
        !takeChar(text, pos, '-') || !takeDigits(text, pos, 2, day) || !takeChar(text, pos, 'T') ||
        !takeDigits(text, pos, 2, hour) || !takeChar(text, pos, ':') || !takeDigits(text, pos, 2, minute) ||
        !takeChar(text, pos, ':') || !takeDigits(text, pos, 2, second))
        return std::nullopt;
    if (month < 1 || month > 12 || day < 1 || unsigned(day) > daysInMonth(year, unsigned(month)) || hour > 23 ||
        minute > 59 || second > 59)
        return std::nullopt;
    int ms = 0;
    if (takeChar(text, pos, '.')) {
        int digits = 0;
        while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
            if (digits < 3)
                ms = ms * 10 + (text[pos] - '0');
            ++digits;
            ++pos;
        }
        if (digits == 0 || digits > 9)
            return std::nullopt;
        for (; digits < 3; ++digits)
            ms *= 10;
    }
    qint32 offset = 0;
    if (!takeChar(text, pos, 'Z')) {
        if (pos >= text.size() || (text[pos] != '+' && text[pos] != '-'))
            return std::nullopt;
        const bool negative = text[pos++] == '-';
        int oh, om, os = 0;
        if (!takeDigits(text, pos, 2, oh) || !takeChar(text, pos, ':') || !takeDigits(text, pos, 2, om))
            return std::nullopt;
        if (takeChar(text, pos, ':') && !takeDigits(text, pos, 2, os))
            return std::nullopt;
        if (oh > 18 || om > 59 || os > 59 || oh * 3600 + om * 60 + os > 18 * 3600)
            return std::nullopt;
        offset = (oh * 3600 + om * 60 + os) * (negative ? -1 : 1);
    }
    if (pos != text.size())
        return std::nullopt;
    const qint64 local = daysFromCivil(year, unsigned(month), unsigned(day)) * msPerDay + hour * 3600000LL +
                         minute * 60000LL + second * 1000LL + ms;
    return RowInstant{local - qint64(offset) * 1000, offset};
}

void DatedCsv::appendRow(QByteArray& out, qint32 No, const std::optional<RowInstant>& instant, const Texts& texts)
{
    // Nearly every row is short and plain: it is put together in one piece and appended at once.
    constexpr qsizetype plainTexts = 160;
    qsizetype textBytes = 0;
    bool plain = true;
    for (const QByteArrayView text : texts) {
        textBytes += text.size();
        plain = plain && isPlain(text);
    }
    if (plain && textBytes <= plainTexts) {
        char line[16 + 32 + plainTexts + 8];
        char* p = writeNumber(line, No);
        *p++ = ',';
        if (instant && hasFourDigitYear(*instant))
            p = writeTimestamp(p, *instant);
        for (const QByteArrayView text : texts) {
            *p++ = ',';
            if (!text.isEmpty())
                memcpy(p, text.data(), size_t(text.size()));
            p += text.size();
        }
        *p++ = '\r';
        *p++ = '\n';
        out.append(line, p - line);
        return;
    }
    char number[12];
    out.append(number, writeNumber(number, No) - number);
    out.append(',');
    if (instant && hasFourDigitYear(*instant))
        appendTimestamp(out, *instant);
    for (const QByteArrayView text : texts) {
        out.append(',');
        appendField(out, text);
    }
    out.append("\r\n");
}

std::optional<DatedCsv::Row> DatedCsv::parseRow(QByteArrayView record)
{
    RowView view;
    if (!parseRow(record, view))
        return std::nullopt;
    Row row{view.No, view.instant, {}};
    for (size_t i = 0; i < row.texts.size(); ++i)
        row.texts[i] = view.texts[i].toByteArray();
    return row;
}

bool DatedCsv::parseRow(QByteArrayView record, RowView& row)
{
    Fields fields;
    if (!splitFields(record, fields, row.unquoted))
        return false;
    const std::optional<qint32> number = toNumber(fields[0]);
    if (!number)
        return false;
    row.No = *number;
    row.instant.reset();
    if (!fields[1].isEmpty()) {
        row.instant = parseTimestamp(fields[1]);
        if (!row.instant)
            return false;
    }
    for (size_t i = 0; i < row.texts.size(); ++i) {
        const std::optional<QByteArrayView> text = toCp936(fields[i + 2], row.converted[i]);
        if (!text)
            return false;
        row.texts[i] = *text;
    }
    return true;
}

bool DatedCsv::isHeader(QByteArrayView firstLine)
{
    if (firstLine.startsWith("\xEF\xBB\xBF"))
        firstLine = firstLine.sliced(3);
    return firstLine == header.chopped(2);
}

bool DatedCsv::recordComplete(QByteArrayView text)
{
    return !text.contains('"') || text.count('"') % 2 == 0;
}
