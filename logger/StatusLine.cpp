#include "logger/StatusLine.h"

#include <unistd.h>

#include "logger/MeterLogger.h"
#include "logger/MeterSource.h"
#include "display/Cp936.h"

StatusLine::StatusLine(int fd, const MeterSource& source, const MeterLogger& logger)
    : m_fd(fd), m_source(source), m_logger(logger)
{
    m_redraw.setSingleShot(true);
    m_redraw.setInterval(RedrawMs);
    connect(&m_redraw, &QTimer::timeout, this, &StatusLine::redraw);
    // Redrawn once when something changed, and at most every RedrawMs after that.
    connect(&logger, &MeterLogger::changed, this, [this] {
        if (!m_redraw.isActive())
            m_redraw.start();
    });
    redraw();
}

QString StatusLine::text() const
{
    QString line = m_source.where();
    line += m_logger.linkUp() ? QStringLiteral(": connected") : QStringLiteral(": link lost, trying again");
    line += QStringLiteral(", %1 reading%2").arg(m_logger.rows()).arg(m_logger.rows() == 1 ? "" : "s");
    if (m_logger.rows() > 0) {
        const Reading& last = m_logger.lastRow();
        line += QStringLiteral(", last %1 %2").arg(cp936::toUnicode(last.ValueText), cp936::toUnicode(last.UnitText));
    }
    return line;
}

void StatusLine::redraw()
{
    write("\r" + text().toLocal8Bit() + "\x1b[K");
}

void StatusLine::finish()
{
    m_redraw.stop();
    redraw();
    write("\n");
}

void StatusLine::write(const QByteArray& bytes)
{
    // A status line that cannot be drawn is no reason to stop logging.
    [[maybe_unused]] const ssize_t written = ::write(m_fd, bytes.constData(), std::size_t(bytes.size()));
}
