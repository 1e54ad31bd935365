// Helpers shared by the HID layer's tests: real report descriptors from tests/data/hid, scripted devices,
// and a receiver that records the controller's events in order.
#pragma once

#include <QFile>
#include <QRegularExpression>
#include <QStringList>

#include "link/HidDeviceController.h"
#include "tests/support/ScriptedHidPlatform.h"

namespace hidtest {

// A descriptor kept as hex text; lines starting with '#' are notes on where it came from.
inline QByteArray descriptorFile(const QString& name)
{
    QFile file(QStringLiteral(KM610_SOURCE_DIR "/tests/data/hid/") + name);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QByteArray hex;
    for (const QByteArray& line : file.readAll().split('\n'))
        if (!line.startsWith('#'))
            hex += line;
    return QByteArray::fromHex(hex.replace(' ', ""));
}

inline ScriptedHidDevice device(const QString& name, quint16 vendor, quint16 product,
                                std::optional<QString> productText = std::nullopt,
                                std::optional<QString> serial = std::nullopt)
{
    ScriptedHidDevice d;
    d.path = QStringLiteral("/dev/scripted/") + name;
    d.instanceId = QStringLiteral("/sys/scripted/") + name;
    d.attributes = {vendor, product, 0x0100};
    d.product = std::move(productText);
    d.serial = std::move(serial);
    d.descriptor = ScriptedHidPlatform::bridgeDescriptor();
    return d;
}

// Records every controller event as a line, e.g. "arrival /sys/scripted/mouse".
struct EventLog {
    QStringList lines;
    bool claimOnEnumerate = false;
    int stopAfter = -1;  // enumerate returns false once this many devices were seen
    QList<THidDevice*> claimed;

    void arrival(THidDevice* d) { lines << QStringLiteral("arrival ") + d->pnpInfo().instanceId; }
    void removal(THidDevice* d) { lines << QStringLiteral("removal ") + d->pnpInfo().instanceId; }
    void unplug(THidDevice* d) { lines << QStringLiteral("unplug ") + d->pnpInfo().instanceId; }
    void change() { lines << QStringLiteral("change"); }
    bool enumerate(THidDevice* d, int idx)
    {
        lines << QStringLiteral("enumerate %1 %2").arg(idx).arg(d->pnpInfo().instanceId);
        if (claimOnEnumerate)
            claimed << d->controller()->ClaimDevice(idx);
        return stopAfter < 0 || lines.filter(QStringLiteral("enumerate")).size() < stopAfter;
    }
    void bind(HidDeviceController& c)
    {
        c.setOnArrival(THidPlugEvent(this, &EventLog::arrival));
        c.setOnRemoval(THidPlugEvent(this, &EventLog::removal));
        c.setOnEnumerate(THidEnumerateEvent(this, &EventLog::enumerate));
    }
};

}  // namespace hidtest
