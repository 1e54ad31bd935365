// A HID platform that plays a script instead of talking to the system: devices with their attributes,
// strings and descriptors that arrive and leave, input report streams, read errors, and devices the user may
// only query. Tests, benchmarks and screenshots drive the real HID layer and the real window through it.
//
// Reports are given as the platform delivers them: report ID in byte 0 (0 for unnumbered devices), then the
// data. Arrivals and removals notify the controller at once, on the calling thread.
#pragma once

#include <QList>
#include <QString>
#include <cerrno>
#include <functional>
#include <memory>
#include <optional>

#include "link/HidPlatform.h"

struct ScriptedHidDevice {
    QString path;
    QString instanceId;
    HidAttributes attributes;
    std::optional<QString> product;
    std::optional<QString> serial;
    std::optional<QList<quint16>> languages = QList<quint16>{0x0409};
    QByteArray descriptor;
    bool readWrite = true;     // false: the user may open it for queries only
    bool openable = true;      // false: it cannot be opened at all
    bool identifiable = true;  // false: its attributes cannot be read
    quint32 refusal = EACCES;  // the reason a read-write open is refused
};

class ScriptedHidPlatform : public HidPlatform {
public:
    ScriptedHidPlatform();
    ~ScriptedHidPlatform() override;

    // The descriptor of the common HID-to-serial cable: unnumbered 8-byte input and output reports and a
    // 9-byte feature report.
    static QByteArray bridgeDescriptor();
    // The meter's cable as it usually presents itself: "USB to Serial", 1A86:E008, no serial number.
    static ScriptedHidDevice meterCable(const QString& name = QStringLiteral("cable"));

    void setAvailable(bool available);
    void addDevice(const ScriptedHidDevice& device);  // present from the start, no notification
    void plug(const ScriptedHidDevice& device);       // arrives, and the controller is told
    void unplug(const QString& instanceId);           // leaves: its handles fail, and the controller is told
    void notifyChange();

    // Reports the device hands over whenever it is read, as a cable that answers each poll.
    void queueReports(const QString& instanceId, const QList<QByteArray>& reports);
    // Reports the device sends now: as hidraw does, each handle open for reading keeps its own copy (the
    // newest 64) until it is read, and a device without such a handle loses them.
    void sendReports(const QString& instanceId, const QList<QByteArray>& reports);
    // An endless stream: next() is asked for one report every intervalMs once the queue is empty.
    void setReportStream(const QString& instanceId, std::function<QByteArray()> next, int intervalMs);
    // The next count reads cannot be started and fail with error; count -1: until cleared with count 0.
    void failReads(const QString& instanceId, quint32 error, int count);

    // Feature reports refused with error (0: taken again), or answered only after delayMs.
    void failFeatureReports(const QString& instanceId, quint32 error);
    void delayFeatureReports(const QString& instanceId, int delayMs);

    QList<QByteArray> featureReports(const QString& instanceId) const;
    int openHandles(const QString& instanceId) const;
    int readsStarted(const QString& instanceId) const;
    int queuedReports(const QString& instanceId) const;
    int reportsDelivered(const QString& instanceId) const;
    // Handles released while a read still held a buffer: the layer must cancel first, so this stays 0.
    int releasedWithPendingRead() const;
    // Devices opened on another thread than the one that made the platform; the system's device library
    // (udev) belongs to the thread that made it, so this stays 0.
    int opensOffThread() const;

    bool available() const override;
    QList<HidDeviceInfo> enumerate() override;
    OpenResult open(const HidDeviceInfo& device, HidAccess access) override;
    void setChangeHandler(std::function<void()> handler) override;

    struct Shared;

private:
    std::shared_ptr<Shared> m_shared;
    std::function<void()> m_changeHandler;
};
