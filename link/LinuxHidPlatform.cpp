#include "link/LinuxHidPlatform.h"

#include <QFile>
#include <QSocketNotifier>
#include <QStringList>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <libudev.h>
#include <unistd.h>

namespace {

template <auto Unref>
struct Unreffer {
    template <typename T>
    void operator()(T* handle) const
    {
        Unref(handle);
    }
};
using DevicePtr = std::unique_ptr<udev_device, Unreffer<udev_device_unref>>;
using EnumeratePtr = std::unique_ptr<udev_enumerate, Unreffer<udev_enumerate_unref>>;

std::optional<QString> textAttribute(udev_device* device, const char* name)
{
    const char* value = udev_device_get_sysattr_value(device, name);
    if (!value)
        return std::nullopt;
    return QString::fromUtf8(value);
}

std::optional<quint16> hexAttribute(udev_device* device, const char* name)
{
    const std::optional<QString> text = textAttribute(device, name);
    bool ok = false;
    const uint value = text ? text->trimmed().toUInt(&ok, 16) : 0;
    if (!ok || value > 0xFFFF)
        return std::nullopt;
    return quint16(value);
}

// A HID device that is not on USB (Bluetooth, I2C) carries its IDs in HID_ID, "bus:vendor:product".
void readHidParent(udev_device* hid, LinuxHidNodeInfo& info)
{
    const QStringList id = QString::fromLatin1(udev_device_get_property_value(hid, "HID_ID")).split(QLatin1Char(':'));
    bool vendorOk = false, productOk = false;
    if (id.size() == 3) {
        const uint vendor = id[1].toUInt(&vendorOk, 16);
        const uint product = id[2].toUInt(&productOk, 16);
        if (vendorOk && productOk && vendor <= 0xFFFF && product <= 0xFFFF)
            info.attributes = HidAttributes{quint16(vendor), quint16(product), 0};
    }
    if (const char* name = udev_device_get_property_value(hid, "HID_NAME"))
        info.product = QString::fromUtf8(name);
    const char* uniq = udev_device_get_property_value(hid, "HID_UNIQ");
    if (uniq && *uniq)
        info.serial = QString::fromUtf8(uniq);
}

}  // namespace

void LinuxHidPlatform::UdevDeleter::operator()(udev* handle) const
{
    udev_unref(handle);
}

void LinuxHidPlatform::UdevDeleter::operator()(udev_monitor* handle) const
{
    udev_monitor_unref(handle);
}

LinuxHidPlatform::LinuxHidPlatform() : m_udev(udev_new()) {}

LinuxHidPlatform::~LinuxHidPlatform() = default;

QList<HidDeviceInfo> LinuxHidPlatform::enumerate()
{
    QList<HidDeviceInfo> list;
    if (!m_udev)
        return list;
    const EnumeratePtr enumeration(udev_enumerate_new(m_udev.get()));
    if (!enumeration || udev_enumerate_add_match_subsystem(enumeration.get(), "hidraw") < 0 ||
        udev_enumerate_scan_devices(enumeration.get()) < 0)
        return list;
    udev_list_entry* entry = nullptr;
    udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(enumeration.get()))
    {
        const char* sysPath = udev_list_entry_get_name(entry);
        const DevicePtr device(udev_device_new_from_syspath(m_udev.get(), sysPath));
        const char* node = device ? udev_device_get_devnode(device.get()) : nullptr;
        if (node)
            list.append({QString::fromUtf8(node), QString::fromUtf8(sysPath)});
    }
    return list;
}

std::optional<LinuxHidNodeInfo> LinuxHidPlatform::nodeInfo(const HidDeviceInfo& device) const
{
    const DevicePtr hidraw(udev_device_new_from_syspath(m_udev.get(), device.instanceId.toUtf8().constData()));
    const char* node = hidraw ? udev_device_get_devnode(hidraw.get()) : nullptr;
    // hidraw numbers are reused: the node must still belong to the same device.
    if (!node || QString::fromUtf8(node) != device.path)
        return std::nullopt;
    LinuxHidNodeInfo info;
    info.descriptorFile = device.instanceId + QStringLiteral("/device/report_descriptor");
    // The parents belong to the child device and are freed with it.
    if (udev_device* usb = udev_device_get_parent_with_subsystem_devtype(hidraw.get(), "usb", "usb_device")) {
        const std::optional<quint16> vendor = hexAttribute(usb, "idVendor");
        const std::optional<quint16> product = hexAttribute(usb, "idProduct");
        if (vendor && product)
            info.attributes = HidAttributes{*vendor, *product, hexAttribute(usb, "bcdDevice").value_or(0)};
        info.product = textAttribute(usb, "product");
        info.serial = textAttribute(usb, "serial");
        if (const char* usbNode = udev_device_get_devnode(usb))
            info.usbDeviceNode = QString::fromUtf8(usbNode);
    } else if (udev_device* hid = udev_device_get_parent_with_subsystem_devtype(hidraw.get(), "hid", nullptr)) {
        readHidParent(hid, info);
    }
    return info;
}

HidPlatform::OpenResult LinuxHidPlatform::open(const HidDeviceInfo& device, HidAccess access)
{
    if (!m_udev)
        return {nullptr, ENODEV};
    std::optional<LinuxHidNodeInfo> info = nodeInfo(device);
    if (!info)
        return {nullptr, ENODEV};
    int fd = -1;
    if (access != HidAccess::QueryOnly) {
        const int mode = access == HidAccess::ReadWrite ? O_RDWR : access == HidAccess::Read ? O_RDONLY : O_WRONLY;
        fd = ::open(QFile::encodeName(device.path).constData(), mode | O_CLOEXEC | O_NONBLOCK);
        if (fd < 0)
            return {nullptr, quint32(errno)};
    }
    return {std::make_unique<LinuxHidConnection>(fd, std::move(*info)), 0};
}

// The "udev" source reports a device only after its rules have run, so the access rights that a rules
// file grants are in place when the device is opened.
void LinuxHidPlatform::setChangeHandler(std::function<void()> handler)
{
    m_changeHandler = std::move(handler);
    if (!m_changeHandler) {
        m_notifier.reset();
        m_monitor.reset();
        return;
    }
    if (m_monitor || !m_udev)
        return;
    std::unique_ptr<udev_monitor, UdevDeleter> monitor(udev_monitor_new_from_netlink(m_udev.get(), "udev"));
    if (!monitor || udev_monitor_filter_add_match_subsystem_devtype(monitor.get(), "hidraw", nullptr) < 0 ||
        udev_monitor_enable_receiving(monitor.get()) < 0)
        return;
    m_notifier = std::make_unique<QSocketNotifier>(udev_monitor_get_fd(monitor.get()), QSocketNotifier::Read);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, m_notifier.get(), [this] { onMonitorReadable(); });
    m_monitor = std::move(monitor);
}

void LinuxHidPlatform::onMonitorReadable()
{
    bool changed = false;
    while (const DevicePtr device{udev_monitor_receive_device(m_monitor.get())}) {
        const char* action = udev_device_get_action(device.get());
        if (action && (std::strcmp(action, "add") == 0 || std::strcmp(action, "remove") == 0))
            changed = true;
    }
    if (changed && m_changeHandler)
        m_changeHandler();
}
