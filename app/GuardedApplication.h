// The application object. An error raised inside any handler (an exception escaping a slot, a timer or an
// event) must not end the program: it is caught where the event is delivered, its text is reported, and
// the program runs on.
#pragma once

#include <QApplication>
#include <QStringList>
#include <functional>

class GuardedApplication : public QApplication {
public:
    GuardedApplication(int& argc, char** argv);

    // Shows the text of an error that escaped a handler; without one the text goes to the log. Errors that
    // arrive while it shows one are handed to it together once it returns.
    void setErrorReporter(std::function<void(const QString&)> reporter);
    bool notify(QObject* receiver, QEvent* event) override;

private:
    void report(const QString& text);
    std::function<void(const QString&)> m_reporter;
    bool m_reporting = false;
    QStringList m_waiting;  // errors not yet shown, each text once
};
