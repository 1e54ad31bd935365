#include "app/GuardedApplication.h"

#include <QDebug>
#include <exception>

GuardedApplication::GuardedApplication(int& argc, char** argv) : QApplication(argc, argv)
{
    // The application's title, shown by the desktop's task list.
    setApplicationName(QStringLiteral("KM610_620"));
}

void GuardedApplication::setErrorReporter(std::function<void(const QString&)> reporter)
{
    m_reporter = std::move(reporter);
}

bool GuardedApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        report(QString::fromLocal8Bit(error.what()));
    } catch (...) {
        report(QStringLiteral("An unknown error occurred."));
    }
    return false;
}

void GuardedApplication::report(const QString& text)
{
    qWarning().noquote() << "Error in a handler:" << text;
    // A second error raised while the first one's box is open is only logged, so boxes never pile up.
    if (!m_reporter || m_reporting)
        return;
    m_reporting = true;
    m_reporter(text);
    m_reporting = false;
}
