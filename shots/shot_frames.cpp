// The window after one meter frame of each function, after a main overload and after a secondary
// overload: the LCD panel, the dial and the bar as the frame leaves them. And the chart after the dial
// turned from volts to the power factor, its page still holding the volts far above the new range.
#include <QApplication>
#include <QDir>
#include <cstdio>

#include "app/MainWindow.h"
#include "tests/support/ScriptedDialogs.h"
#include "tools/MeterGenerator.h"

namespace {

struct Shot {
    const char* state;
    const char* frame;  // function, ranges, main digits and point, secondary digits and point, memory, status
};

const Shot kShots[] = {
    {"function0-voltage", "0"
                          "20"
                          "2301"
                          "1"
                          "5000"
                          "2"
                          "00"
                          "0000"
                          "DA"},
    {"function1-current", "1"
                          "01"
                          "0652"
                          "2"
                          "2301"
                          "1"
                          "00"
                          "0000"
                          "DA"},
    {"function2-active-power", "2"
                               "21"
                               "1495"
                               "3"
                               "0230"
                               "1"
                               "00"
                               "0000"
                               "DA"},
    {"function3-apparent-power", "3"
                                 "21"
                                 "1625"
                                 "3"
                                 "0637"
                                 "3"
                                 "00"
                                 "0000"
                                 "DA"},
    {"function4-power-factor", "4"
                               "21"
                               "0920"
                               "3"
                               "0230"
                               "1"
                               "00"
                               "0000"
                               "DA"},
    {"function5-energy", "5"
                         "21"
                         "1250"
                         "2"
                         "0000"
                         "0"
                         "00"
                         "0000"
                         "DA"},
    {"function6-temperature", "6"
                              "00"
                              "0235"
                              "1"
                              "0234"
                              "1"
                              "00"
                              "0000"
                              "DA"},
    {"function7-display-only", "7"
                               "00"
                               "0600"
                               "3"
                               "1121"
                               "0"
                               "00"
                               "4081"
                               "DA"},
    {"main-overload", "0"
                      "30"
                      "2300"
                      "1"
                      "5000"
                      "2"
                      "00"
                      "0200"
                      "DA"},
    {"secondary-overload", "0"
                           "20"
                           "2301"
                           "1"
                           "5000"
                           "2"
                           "00"
                           "0100"
                           "DA"},
};

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath();
    QList<std::pair<QString, QList<QByteArray>>> shots;
    for (const Shot& shot : kShots)
        shots.push_back({QLatin1String(shot.state), {shot.frame}});
    QList<QByteArray> rangeChange(60, "0"
                                      "20"
                                      "2301"
                                      "1"
                                      "5000"
                                      "2"
                                      "00"
                                      "0000"
                                      "DA");
    rangeChange += QList<QByteArray>(20, "4"
                                         "21"
                                         "0920"
                                         "3"
                                         "0230"
                                         "1"
                                         "00"
                                         "0000"
                                         "DA");
    shots.push_back({QStringLiteral("after-range-change"), rangeChange});
    for (const auto& [state, frames] : shots) {
        ScriptedDialogs dialogs;
        FormEnvironment env;
        env.dialogs = &dialogs;
        MainWindow window(env);
        window.show();
        for (const QByteArray& frame : frames) {
            const QByteArray bytes = MeterGenerator::toSerialBytes(frame, 0);
            window.COMM2ReceiveData(nullptr, bytes.constData(), qint32(bytes.size()));
        }
        QApplication::processEvents();
        const QString file = out + QStringLiteral("/frames-%1.png").arg(state);
        if (!window.grab().save(file)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
            return 1;
        }
        dialogs.defaultAnswer = Dialogs::Yes;
    }
    return 0;
}
