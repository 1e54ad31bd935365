// Message boxes and file dialogs go through this seam, so that tests can answer them without a modal loop.
#pragma once

#include <QMap>
#include <QString>
#include <memory>

#include "dialogs/BackgroundWork.h"

class QWidget;

class Dialogs {
public:
    enum class Icon { Information, Question, Warning, Error };
    // Buttons, combined with |; message() returns the one chosen, or NoButton when the box was closed.
    enum Button { NoButton = 0, Ok = 1, Cancel = 2, Yes = 4, No = 8 };

    virtual ~Dialogs() = default;
    virtual int message(const QString& text, const QString& caption, Icon icon, int buttons) = 0;
    // File dialogs return the chosen full name, or an empty text when the user cancelled. The filter uses
    // Qt's form ("Text files (*.txt);;XML (*.xml)"); defaultSuffix is appended to a name typed without one.
    virtual QString openFileName(const QString& caption, const QString& filter) = 0;
    virtual QString saveFileName(const QString& caption, const QString& filter, const QString& defaultSuffix) = 0;

    // The folder each kind of file dialog opens in: the folder of the file last chosen in it. The kind is
    // the first extension its filter names ("xls" for the data files, "bmp" for pictures). Remembered
    // settings carry these from run to run.
    virtual QMap<QString, QString> folders() const { return {}; }
    virtual void setFolders(const QMap<QString, QString>&) {}
    static QString folderKind(const QString& filter);
    // The box that shows long work running beside the window, with a Cancel button, and how long work runs
    // before it is shown.
    virtual std::unique_ptr<ProgressBox> progress(const QString& text, const QString& caption)
    {
        Q_UNUSED(text);
        Q_UNUSED(caption);
        return nullptr;
    }
    virtual std::chrono::milliseconds progressDelay() const { return std::chrono::milliseconds(500); }
    ProgressBoxSource progressBoxes(const QString& text, const QString& caption)
    {
        return {progressDelay(), [this, text, caption] { return progress(text, caption); }};
    }
};

// The toolkit's own boxes and dialogs, parented to the given window.
class QtDialogs : public Dialogs {
public:
    explicit QtDialogs(QWidget* parent) : m_parent(parent) {}
    int message(const QString& text, const QString& caption, Icon icon, int buttons) override;
    QString openFileName(const QString& caption, const QString& filter) override;
    QString saveFileName(const QString& caption, const QString& filter, const QString& defaultSuffix) override;
    QMap<QString, QString> folders() const override { return m_folders; }
    void setFolders(const QMap<QString, QString>& folders) override { m_folders = folders; }
    std::unique_ptr<ProgressBox> progress(const QString& text, const QString& caption) override;

private:
    QString chosen(const QString& filter, const QString& fileName);

    QWidget* m_parent;
    QMap<QString, QString> m_folders;
};
