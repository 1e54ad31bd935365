// One open handle on a Linux hidraw node. Attributes and strings come from udev (the kernel read them when
// the device arrived), so a handle for queries needs no access to the node at all: a cable the user may
// not read is still listed and named. Reads are poll + read, on an eventfd too that a stop rings; a device
// that does not number its reports gets report ID 0 put in front of each report.
#pragma once

#include <optional>

#include "link/HidPlatform.h"

// What udev knows about one hidraw node and the USB device above it.
struct LinuxHidNodeInfo {
    std::optional<HidAttributes> attributes;
    std::optional<QString> product;
    std::optional<QString> serial;
    QString usbDeviceNode;   // /dev/bus/usb/BBB/DDD, empty for a HID device that is not on USB
    QString descriptorFile;  // the report descriptor in sysfs, readable by every user
};

class LinuxHidConnection : public HidConnection {
public:
    // fd: an open hidraw node, owned from now on, or -1 for a handle that only answers queries.
    LinuxHidConnection(int fd, LinuxHidNodeInfo info);
    ~LinuxHidConnection() override;
    LinuxHidConnection(const LinuxHidConnection&) = delete;
    LinuxHidConnection& operator=(const LinuxHidConnection&) = delete;

    // The language identifiers of a USB string descriptor number 0, or nullopt when it is not one.
    static std::optional<QList<quint16>> parseLanguageDescriptor(const QByteArray& descriptor);

    std::optional<HidAttributes> attributes() override { return m_info.attributes; }
    std::optional<QString> productString() override { return m_info.product; }
    std::optional<QString> serialString() override { return m_info.serial; }
    std::optional<QList<quint16>> languageList() override;
    std::optional<QByteArray> reportDescriptor() override;
    quint32 sendFeatureReport(const QByteArray& report) override;

    quint32 startRead(quint8* buffer, int length) override;
    HidReadResult waitRead(int timeoutMs) override;
    void cancelRead() override;
    void interruptWait() override;

private:
    int m_fd;
    int m_wake;  // eventfd: readable once interruptWait was called
    LinuxHidNodeInfo m_info;
    bool m_numbered = false;  // from the report descriptor, when opened
    quint8* m_buffer = nullptr;
    int m_length = 0;
};
