#include "chart/PageSizeEdit.h"

#include <QKeyEvent>
#include <limits>

bool MaxrecordKeyPress(QChar key)
{
    constexpr char16_t Backspace = 8;
    return (key >= u'0' && key <= u'9') || key == QChar(Backspace);
}

std::optional<int> pageSizeFromText(const QString& text)
{
    const QString digits = text.trimmed();
    if (digits.isEmpty())
        return std::nullopt;
    for (const QChar c : digits) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
    }
    bool ok = false;
    const qulonglong size = digits.toULongLong(&ok);
    if (!ok || size < 1 || size > qulonglong(std::numeric_limits<int>::max()))
        return std::nullopt;
    return int(size);
}

bool PageSizeKeyFilter::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        const bool typesNothing = key->text().isEmpty() || key->key() == Qt::Key_Delete || key->key() == Qt::Key_Tab ||
                                  key->key() == Qt::Key_Backtab;
        if (!typesNothing && !MaxrecordKeyPress(key->text().at(0)))
            return true;
    }
    return QObject::eventFilter(watched, event);
}
