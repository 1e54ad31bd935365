#include "logger/MeterLogger.h"

#include <QDateTime>
#include <limits>

#include "logger/LogOutput.h"
#include "logger/MeterSource.h"
#include "display/Cp936.h"

namespace {

RecordControls controlsOf(const LogOptions& options)
{
    return {options.repeat, options.interval.has_value(), options.interval.value_or(QString())};
}

QTime localTime(const RowInstant& instant)
{
    return QDateTime::fromMSecsSinceEpoch(instant.utcMs + qint64(instant.offsetSeconds) * 1000, Qt::UTC).time();
}

}  // namespace

MeterLogger::MeterLogger(const LogOptions& options, MeterSource& source, LogOutput& output, QObject* parent)
    : QObject(parent), m_options(options), m_output(output), m_controls(controlsOf(options)),
      m_recorder(m_noTable, m_interval)
{
    // A log has no record limit of its own; numbers run out only after 2^31 readings.
    m_recorder.RecordLimit = std::numeric_limits<qint32>::max() - 1;
    // A continued log goes on numbering after its last row, unless its numbers are used up.
    const std::optional<qint32> last = loggedNumber(options.format, output.lastLine());
    if (last && *last > 0 && *last < m_recorder.RecordLimit)
        m_recorder.RecordNo = *last + 1;
    m_intervalTick.setInterval(1000);
    connect(&m_intervalTick, &QTimer::timeout, this, [this] { m_interval.tick(m_controls.intervalOn); });
    m_duration.setSingleShot(true);
    connect(&m_duration, &QTimer::timeout, this, [this] { finish(0); });
    connect(&source, &MeterSource::frameArrived, this, &MeterLogger::takeFrame);
    connect(&source, &MeterSource::linkLost, this, [this] {
        m_linkUp = false;
        emit changed();
    });
    connect(&source, &MeterSource::linkBack, this, [this] {
        m_linkUp = true;
        emit changed();
    });
    connect(&source, &MeterSource::failed, this, [this](const QString& message) { finish(1, message); });
}

void MeterLogger::start()
{
    m_intervalTick.start();
    if (m_options.durationMs > 0)
        m_duration.start(int(m_options.durationMs));
}

void MeterLogger::takeFrame(const QByteArray& frame)
{
    if (m_finished)
        return;
    const FrameResult result = m_meter.take(frame, m_decimalSep);
    m_meter.settle(result);
    if (!result.record)
        return;
    if (m_recorder.RecordNo > m_recorder.RecordLimit) {
        finish(0, QStringLiteral("every record number up to %1 is used; start a new log to go on")
                      .arg(m_recorder.RecordLimit));
        return;
    }
    const bool written = m_recorder.admit(m_meter.reading.ValueText, m_controls,
                                          [&](qint32 number) { return writeRow(number, result); });
    if (m_finished || !written)
        return;
    ++m_rows;
    m_lastRow = m_meter.reading;
    emit changed();
    if (m_options.count > 0 && m_rows >= m_options.count)
        finish(0);
}

bool MeterLogger::writeRow(qint32 number, const FrameResult& frame)
{
    LogRow row;
    row.No = number;
    row.instant = RowInstant::now();
    row.time = cp936::fromUnicode(m_recorder.timeText(localTime(row.instant)));
    row.reading = m_meter.reading;
    row.function = frame.function;
    row.hold = frame.panel.visibility(PanelItem::LCDHold).value_or(false);
    row.max = frame.panel.visibility(PanelItem::Labmax).value_or(false);
    row.min = frame.panel.visibility(PanelItem::Labmin).value_or(false);
    row.overload = frame.overloadText;
    if (!frame.overloadText)
        row.value = frame.chartPoint;
    m_line.clear();
    appendLogRow(m_line, m_options.format, row);
    if (m_output.write(m_line))
        return true;
    finish(1, m_output.error());
    return false;
}

void MeterLogger::finish(int exitCode, const QString& message)
{
    if (m_finished)
        return;
    m_finished = true;
    m_intervalTick.stop();
    m_duration.stop();
    emit finished(exitCode, message);
}
