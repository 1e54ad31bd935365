// The window at start-up: the LCD panel in its design state, all segments on.
#include <QApplication>
#include <QDir>

#include "app/MainWindow.h"
#include "tests/support/ScriptedDialogs.h"

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath();
    ScriptedDialogs dialogs;
    FormEnvironment env;
    env.dialogs = &dialogs;
    MainWindow window(env);
    window.show();
    QApplication::processEvents();
    window.grab().save(out + QStringLiteral("/startup-window.png"));
    return 0;
}
