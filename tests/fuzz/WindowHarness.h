// One main window, made on first use and kept for the whole run, as the program keeps its window while a
// meter streams. Each input picks the decimal separator the window works with.
#pragma once

#include <QApplication>
#include <QTemporaryDir>

#include "tests/support/WindowFixture.h"

namespace fuzzing {

inline MainWindow& window(bool commaSeparator)
{
    static int argc = 1;
    static char name[] = "fuzz";
    static char* argv[] = {name, nullptr};
    if (!QCoreApplication::instance()) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        new QApplication(argc, argv);
    }
    // Never destroyed: the process ends with it, after the toolkit's own statics are gone.
    static WindowFixture* fixture = nullptr;
    if (!fixture) {
        // Its recording journal and settings never reach the user's own folders.
        static QTemporaryDir home;
        qputenv("XDG_DATA_HOME", QFile::encodeName(home.filePath(QStringLiteral("data"))));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath(QStringLiteral("config"))));
        fixture = new WindowFixture;
        fixture->makeWindow();
        fixture->folder.remove();  // outlives the process otherwise; an empty program folder is all it needs
        // A run of millions of inputs must not grow the table or the chart without end.
        fixture->ui().set1k->trigger();
    }
    fixture->dialogs.shown.clear();
    MainWindow& w = *fixture->form;
    w.DecimalSep = commaSeparator ? QStringLiteral(",") : QStringLiteral(".");
    return w;
}

}  // namespace fuzzing
