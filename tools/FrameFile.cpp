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
    const auto anyCase = QRegularExpression::CaseInsensitiveOption;
    static const QRegularExpression frame(QStringLiteral("^[0-9A-F]{19}DA$"), anyCase);
    static const QRegularExpression hexWord(QStringLiteral("^[0-9A-F]+$"), anyCase);
    QList<QByteArray> frames;
    int lineNo = 0;
    while (!file.atEnd()) {
        ++lineNo;
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        QStringList words = line.split(QRegularExpression(QStringLiteral("\\s+")));
        if (words.size() > 1 && (words.first() == QLatin1String("frame") || words.first() == QLatin1String("before")))
            words.removeFirst();
        else if (!hexWord.match(words.first()).hasMatch())
            continue;  // a golden file's expectation
        if (!frame.match(words.first()).hasMatch()) {
            *error = QStringLiteral("%1:%2: not a frame of 21 hexadecimal digits ending \"DA\"").arg(path).arg(lineNo);
            return {};
        }
        frames.append(words.first().toUpper().toLatin1());
    }
    if (frames.isEmpty())
        *error = QStringLiteral("%1: no frames").arg(path);
    return frames;
}
