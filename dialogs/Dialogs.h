// Message boxes and file dialogs go through this seam, so that tests can answer them without a modal loop.
#pragma once

#include <QString>

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
};

// The toolkit's own boxes and dialogs, parented to the given window.
class QtDialogs : public Dialogs {
public:
    explicit QtDialogs(QWidget* parent) : m_parent(parent) {}
    int message(const QString& text, const QString& caption, Icon icon, int buttons) override;
    QString openFileName(const QString& caption, const QString& filter) override;
    QString saveFileName(const QString& caption, const QString& filter, const QString& defaultSuffix) override;

private:
    QWidget* m_parent;
};
