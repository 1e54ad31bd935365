#include "record/KeyPressFilter.h"

#include <QKeyEvent>

namespace {

// Delete and Tab type nothing into an edit box, but X11 gives them the texts 0x7F and 0x09; other control
// keys (Ctrl+V arrives as 0x16) count as characters and meet the rule.
bool typesCharacter(const QKeyEvent& key)
{
    if (key.text().isEmpty())
        return false;
    switch (key.key()) {
    case Qt::Key_Delete:
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return false;
    default: return true;
    }
}

}  // namespace

KeyPressFilter::KeyPressFilter(Rule accepts, QObject* parent) : QObject(parent), m_accepts(std::move(accepts)) {}

bool KeyPressFilter::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (typesCharacter(*key) && !m_accepts(key->text()))
            return true;
    }
    return QObject::eventFilter(watched, event);
}
