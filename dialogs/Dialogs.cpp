#include "dialogs/Dialogs.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QRegularExpression>
#include <QMessageBox>
#include <QProgressDialog>

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

// Window-modal, so that no second command starts while the work runs; the window's events go on.
class QtProgressBox : public ProgressBox {
public:
    QtProgressBox(const QString& text, const QString& caption, QWidget* parent)
        : m_dialog(text, QStringLiteral("Cancel"), 0, 1000, parent)
    {
        m_dialog.setWindowTitle(caption);
        m_dialog.setWindowModality(Qt::WindowModal);
        m_dialog.setAutoReset(false);
        m_dialog.setAutoClose(false);
        m_dialog.setMinimumDuration(0);
        m_dialog.show();
    }
    void setPermille(int permille) override { m_dialog.setValue(qBound(0, permille, 1000)); }
    bool cancelRequested() override { return m_dialog.wasCanceled(); }

private:
    QProgressDialog m_dialog;
};

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

QString Dialogs::folderKind(const QString& filter)
{
    static const QRegularExpression firstExtension(QStringLiteral("\\*\\.([A-Za-z0-9]{1,8})\\b"));
    return firstExtension.match(filter).captured(1).toLower();
}

QString QtDialogs::chosen(const QString& filter, const QString& fileName)
{
    if (!fileName.isEmpty())
        m_folders.insert(folderKind(filter), QFileInfo(fileName).absolutePath());
    return fileName;
}

std::unique_ptr<ProgressBox> QtDialogs::progress(const QString& text, const QString& caption)
{
    return std::make_unique<QtProgressBox>(text, caption, m_parent);
}

QString QtDialogs::openFileName(const QString& caption, const QString& filter)
{
    return chosen(filter, QFileDialog::getOpenFileName(m_parent, caption, m_folders.value(folderKind(filter)), filter));
}

QString QtDialogs::saveFileName(const QString& caption, const QString& filter, const QString& defaultSuffix)
{
    QFileDialog dialog(m_parent, caption, m_folders.value(folderKind(filter)), filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(defaultSuffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return chosen(filter, dialog.selectedFiles().constFirst());
}
