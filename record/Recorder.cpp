#include "record/Recorder.h"

#include <QLocale>

#include "record/Cp936.h"
#include "record/ReadingTableModel.h"

Recorder::Recorder(ReadingTableModel& table, SamplingInterval& interval, Clock clock, QString timeSeparator)
    : RecordAdmission(interval),
      m_table(table),
      m_clock(clock ? std::move(clock) : Clock(&QTime::currentTime)),
      m_timeSeparator(timeSeparator.isEmpty() ? systemTimeSeparator() : std::move(timeSeparator))
{
}

QString Recorder::systemTimeSeparator()
{
    // The separator is what stands between the hour and the minute fields of the locale's time format.
    const QString format = QLocale::system().timeFormat(QLocale::LongFormat);
    qsizetype i = format.indexOf(QLatin1Char('h'), 0, Qt::CaseInsensitive);
    while (i >= 0 && i < format.size() && format.at(i).toLower() == QLatin1Char('h'))
        ++i;
    const qsizetype minutes = format.indexOf(QLatin1Char('m'), i);
    if (i < 0 || minutes <= i)
        return QStringLiteral(":");
    return format.mid(i, minutes - i).remove(QLatin1Char('\''));
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
