#include "record/KeyPressFilter.h"

#include <QKeyEvent>

KeyPressFilter::KeyPressFilter(Rule accepts, QObject* parent) : QObject(parent), m_accepts(std::move(accepts)) {}

bool KeyPressFilter::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        const QString typed = static_cast<QKeyEvent*>(event)->text();
        if (!typed.isEmpty() && !m_accepts(typed))
            return true;
    }
    return QObject::eventFilter(watched, event);
}
