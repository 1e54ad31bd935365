// The history log's lines for a link that dropped while it was wanted and came back by itself.
#pragma once

#include <QDateTime>
#include <QString>

inline QString linkEventTime(const QDateTime& at)
{
    return at.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

inline QString linkLostLine(const QDateTime& at)
{
    return QStringLiteral("link lost at ") + linkEventTime(at);
}

inline QString linkBackLine(const QDateTime& at)
{
    return QStringLiteral("link back at ") + linkEventTime(at);
}
