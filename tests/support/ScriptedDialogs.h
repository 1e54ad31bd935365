// A dialog seam that answers from a script and records what was asked, so no test blocks on a modal box.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

#include "dialogs/Dialogs.h"

struct ScriptedDialogs : Dialogs {
    struct Shown {
        QString text, caption;
        Icon icon;
        int buttons;
    };

    QList<Shown> shown;              // every message box, in order
    QList<int> answers;              // answers for the next boxes; when empty, defaultAnswer
    int defaultAnswer = Ok;          // Ok, Yes, No, Cancel or NoButton (box closed)
    QStringList openNames;           // names returned by the next open dialogs ("" = cancelled)
    QStringList saveNames;           // names returned by the next save dialogs ("" = cancelled)
    QStringList fileDialogFilters;   // the filter of every file dialog, in order
    QStringList fileDialogSuffixes;  // the default suffix of every save dialog, in order

    int message(const QString& text, const QString& caption, Icon icon, int buttons) override
    {
        shown.append({text, caption, icon, buttons});
        return answers.isEmpty() ? defaultAnswer : answers.takeFirst();
    }
    QString openFileName(const QString&, const QString& filter) override
    {
        fileDialogFilters.append(filter);
        return openNames.isEmpty() ? QString() : openNames.takeFirst();
    }
    QString saveFileName(const QString&, const QString& filter, const QString& suffix) override
    {
        fileDialogFilters.append(filter);
        fileDialogSuffixes.append(suffix);
        return saveNames.isEmpty() ? QString() : saveNames.takeFirst();
    }
    // Progress boxes: shown after progressDelay; each asks to cancel when cancelProgress is set, and runs
    // whileProgress on the window's thread each time it is updated while the work runs beside.
    QStringList progressShown;  // the text of every progress box, in order
    bool cancelProgress = false;
    std::function<void()> whileProgress;
    std::chrono::milliseconds delay{500};

    struct Progress : ProgressBox {
        ScriptedDialogs& owner;
        explicit Progress(ScriptedDialogs& o) : owner(o) {}
        void setPermille(int) override
        {
            if (owner.whileProgress)
                owner.whileProgress();
        }
        bool cancelRequested() override { return owner.cancelProgress; }
    };
    std::unique_ptr<ProgressBox> progress(const QString& text, const QString&) override
    {
        progressShown.append(text);
        return std::make_unique<Progress>(*this);
    }
    std::chrono::milliseconds progressDelay() const override { return delay; }

    QString lastText() const { return shown.isEmpty() ? QString() : shown.last().text; }
};
