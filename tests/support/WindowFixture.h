// The program's window as the tests drive it: on scripted dialogs, with "." as the decimal separator unless a
// test picks another, and with a folder of its own as the program's folder (help document, COM links, saved
// files), so nothing of the machine's own folders matters.
#pragma once

#include <QTemporaryDir>
#include <memory>

#include "app/MainWindow.h"
#include "tests/support/ScriptedDialogs.h"
#include "ui_MainWindow.h"

struct WindowFixture {
    ScriptedDialogs dialogs;
    QTemporaryDir folder;
    std::unique_ptr<MainWindow> form;

    WindowFixture() = default;
    WindowFixture(const WindowFixture&) = delete;
    WindowFixture& operator=(const WindowFixture&) = delete;
    // Closing asks whether to save the table's rows; the tests let the window go without saving.
    virtual ~WindowFixture()
    {
        dialogs.defaultAnswer = Dialogs::Yes;
        form.reset();
    }

    // Makes the window; what the environment leaves empty gets the fixture's choice.
    void makeWindow(FormEnvironment env = {})
    {
        env.dialogs = &dialogs;
        if (env.decimalSep.isEmpty())
            env.decimalSep = QStringLiteral(".");
        if (env.exePath.isEmpty())
            env.exePath = folder.path();
        form = std::make_unique<MainWindow>(env);
    }

    Ui::MainWindow& ui() const { return *form->ui; }
    QString path(const QString& name) const { return folder.filePath(name); }
};
