// A link to the meter as the logger sees it: it connects, delivers whole frames, and tells when it drops,
// when it is back and when it is gone for good.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

class MeterSource : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    // Connects; false, with the message for the user in *error (one line), when the link cannot be made.
    virtual bool start(QString* error) = 0;
    // Where the meter is read, for the status line: "COM1 (/dev/pts/3)".
    virtual QString where() const = 0;

signals:
    void frameArrived(const QByteArray& frame);
    // The link dropped and is being made again; nothing arrives until linkBack.
    void linkLost(const QString& message);
    void linkBack();
    // The link dropped and is not made again.
    void failed(const QString& message);
    // Something the user should know while the link goes on.
    void warning(const QString& message);
};
