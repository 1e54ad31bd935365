// What the HID layer needs of the operating system: the list of present HID interfaces, opening one, its
// attributes and strings, its report descriptor, feature reports, reading input reports with a time-out, and
// a notification when devices come and go. The Linux implementation (hidraw and udev) is the program's own;
// the scripted one drives the tests, benchmarks and screenshots.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

struct HidAttributes {
    quint16 vendorId = 0;
    quint16 productId = 0;
    quint16 version = 0;
};

// How a device is found again: the path opens it, the instance identity recognises it across changes.
struct HidDeviceInfo {
    QString path;
    QString instanceId;
};

enum class HidAccess {
    ReadWrite,  // queries and feature reports
    QueryOnly,  // attributes, strings and descriptor only, for a device the user may not read or write
    Read,       // input reports
    Write,
};

struct HidReadResult {
    enum Status { Pending, Completed, Failed };
    Status status = Pending;
    int bytes = 0;      // Completed: bytes in the buffer, report ID byte included
    quint32 error = 0;  // Failed: the system's error code
};

// One open handle on a device. Reading is asynchronous: startRead hands over the buffer, waitRead waits for
// it to be filled, cancelRead takes the buffer back before its owner releases it. A report always arrives
// with its report ID in byte 0, 0 for devices that do not number their reports.
class HidConnection {
public:
    virtual ~HidConnection() = default;

    virtual std::optional<HidAttributes> attributes() = 0;
    virtual std::optional<QString> productString() = 0;
    virtual std::optional<QString> serialString() = 0;
    // String number 0: the device's language identifiers; nullopt where the system does not let us read it.
    virtual std::optional<QList<quint16>> languageList() = 0;
    virtual std::optional<QByteArray> reportDescriptor() = 0;
    // 0 when the device took the report, else the system's reason. May block while the device does not
    // answer; the HID layer calls it off the user-interface thread.
    virtual quint32 sendFeatureReport(const QByteArray& report) = 0;

    virtual quint32 startRead(quint8* buffer, int length) = 0;  // 0 when started, else the error code
    virtual HidReadResult waitRead(int timeoutMs) = 0;
    virtual void cancelRead() = 0;
    // Makes the waitRead under way, or else the next one, return Pending at once. Called from another
    // thread than the one that waits.
    virtual void interruptWait() = 0;
};

class HidPlatform {
public:
    struct OpenResult {
        std::unique_ptr<HidConnection> connection;  // null when the device could not be opened
        quint32 error = 0;                          // the system's reason then
    };

    virtual ~HidPlatform() = default;

    // False when the system's HID services are missing: no devices, no notifications, no error.
    virtual bool available() const = 0;
    virtual QList<HidDeviceInfo> enumerate() = 0;
    virtual OpenResult open(const HidDeviceInfo& device, HidAccess access) = 0;
    // Called on the user-interface thread whenever devices were added or removed; an empty handler stops
    // the notifications.
    virtual void setChangeHandler(std::function<void()> handler) = 0;
};
