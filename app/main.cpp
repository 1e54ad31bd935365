#include <QApplication>

#include "app/GuardedApplication.h"
#include "app/MainWindow.h"

int main(int argc, char** argv)
{
    GuardedApplication app(argc, argv);
    MainWindow FrmTest;
    app.setErrorReporter([&FrmTest](const QString& text) {
        FrmTest.dialogs().message(text, QStringLiteral("KM610_620"), Dialogs::Icon::Error, Dialogs::Ok);
    });
    FrmTest.show();
    return QApplication::exec();
}
