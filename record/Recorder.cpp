#include "record/Recorder.h"

#include <QLocale>

#include "display/Cp936.h"
#include "record/ReadingTableModel.h"

Recorder::Recorder(ReadingTableModel& table, SamplingInterval& interval, Clock clock, QString timeSeparator)
    : RecordAdmission(interval), m_table(table), m_clock(clock ? std::move(clock) : Clock(&QTime::currentTime)),
      m_timeSeparator(timeSeparator.isEmpty() ? systemTimeSeparator() : std::move(timeSeparator))
{
}

namespace {

// What stands between the hour and the minute fields of a time format, quotes removed.
QString betweenHourAndMinute(const QString& format)
{
    qsizetype i = format.indexOf(QLatin1Char('h'), 0, Qt::CaseInsensitive);
    if (i < 0)
        return {};
    while (i < format.size() && format.at(i).toLower() == QLatin1Char('h'))
        ++i;
    const qsizetype minutes = format.indexOf(QLatin1Char('m'), i);
    return minutes < 0 ? QString() : format.mid(i, minutes - i).remove(QLatin1Char('\''));
}

// One printable ASCII mark that no reader of the text file takes for a separator or a quote.
bool isOneMark(const QString& text)
{
    if (text.size() != 1)
        return false;
    const char16_t c = text.at(0).unicode();
    return c > 0x20 && c < 0x7F && c != u'"' && !QChar::isLetterOrNumber(c);
}

}  // namespace

QString Recorder::timeSeparatorOf(const QLocale& locale)
{
    // Some locales write words between the fields ("14 h 05 min", "14시 05분"): a stamp with blanks in
    // it would split into several items when its text file is opened again.
    for (const QLocale::FormatType type : {QLocale::LongFormat, QLocale::ShortFormat}) {
        const QString between = betweenHourAndMinute(locale.timeFormat(type));
        if (isOneMark(between))
            return between;
    }
    return QStringLiteral(":");
}

QString Recorder::systemTimeSeparator()
{
    return timeSeparatorOf(QLocale::system());
}

QString Recorder::timeText(const QTime& time) const
{
    auto twoDigits = [](int v) { return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0')); };
    return twoDigits(time.hour()) + m_timeSeparator + twoDigits(time.minute()) + m_timeSeparator +
           twoDigits(time.second());
}

bool Recorder::INDataToTable(int kind, const Reading& reading, const RecordControls& controls)
{
    if (kind != 1)
        return false;
    return admit(reading.ValueText, controls, [&](qint32 number) {
        ReadingRow row;
        row.No = number;
        row.time = cp936::fromUnicode(timeText(m_clock()));
        row.Value = reading.ValueText;
        row.Unit = reading.UnitText;
        row.V_Range = reading.VRangeText;
        row.I_Range = reading.IRangeText;
        m_table.append(row);
        return true;
    });
}

void Recorder::clear()
{
    m_table.clear();
    RecordNo = 1;
}
