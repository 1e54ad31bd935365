#include "dialogs/Dialogs.h"

#include <QFileDialog>
#include <QMessageBox>

namespace {

QMessageBox::Icon toQt(Dialogs::Icon icon)
{
    switch (icon) {
    case Dialogs::Icon::Information: return QMessageBox::Information;
    case Dialogs::Icon::Question: return QMessageBox::Question;
    case Dialogs::Icon::Warning: return QMessageBox::Warning;
    case Dialogs::Icon::Error: return QMessageBox::Critical;
    }
    return QMessageBox::NoIcon;
}

constexpr struct {
    int ours;
    QMessageBox::StandardButton qt;
} kButtons[] = {{Dialogs::Ok, QMessageBox::Ok},
                {Dialogs::Cancel, QMessageBox::Cancel},
                {Dialogs::Yes, QMessageBox::Yes},
                {Dialogs::No, QMessageBox::No}};

}  // namespace

int QtDialogs::message(const QString& text, const QString& caption, Icon icon, int buttons)
{
    QMessageBox box(toQt(icon), caption, text, QMessageBox::NoButton, m_parent);
    for (const auto& b : kButtons)
        if (buttons & b.ours)
            box.addButton(b.qt);
    const int chosen = box.exec();
    for (const auto& b : kButtons)
        if (chosen == b.qt)
            return b.ours;
    return NoButton;
}

QString QtDialogs::openFileName(const QString& caption, const QString& filter)
{
    return QFileDialog::getOpenFileName(m_parent, caption, QString(), filter);
}

QString QtDialogs::saveFileName(const QString& caption, const QString& filter, const QString& defaultSuffix)
{
    QFileDialog dialog(m_parent, caption, QString(), filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(defaultSuffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}
