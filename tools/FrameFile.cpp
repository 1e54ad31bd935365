#include "tools/FrameFile.h"

#include <QFile>
#include <QRegularExpression>

QList<QByteArray> readFrameFile(const QString& path, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        *error = QStringLiteral("%1: %2").arg(path, file.errorString());
        return {};
    }
    static const QRegularExpression frameWord(QStringLiteral("^[0-9A-Fa-f]{19}[Dd][Aa]$"));
    QList<QByteArray> frames;
    int lineNo = 0;
    while (!file.atEnd()) {
        ++lineNo;
        const QByteArray line = file.readLine().trimmed();
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        const QByteArray word = line.split(' ').first().split('\t').first();
        if (!frameWord.match(QString::fromLatin1(word)).hasMatch()) {
            *error = QStringLiteral("%1:%2: not a frame of 21 hexadecimal digits ending \"DA\"").arg(path).arg(lineNo);
            return {};
        }
        frames.append(word.toUpper());
    }
    if (frames.isEmpty())
        *error = QStringLiteral("%1: no frames").arg(path);
    return frames;
}
