// The program's HID access on Linux: libudev lists the hidraw nodes with the attributes and strings of
// their USB device (the udev sys path is a device's identity), a udev monitor on the user-interface
// thread's event loop reports arrivals and removals, and the nodes themselves are opened for feature
// reports and input reports.
#pragma once

#include <functional>
#include <memory>
#include <optional>

#include "link/HidPlatform.h"
#include "link/LinuxHidConnection.h"

class QSocketNotifier;
struct udev;
struct udev_monitor;

class LinuxHidPlatform : public HidPlatform {
public:
    // The udev rules file that gives the logged-in user access to the meter's cable.
    static constexpr const char* RulesFileName = "99-km610-usb-serial.rules";

    LinuxHidPlatform();
    ~LinuxHidPlatform() override;

    bool available() const override { return m_udev != nullptr; }
    QList<HidDeviceInfo> enumerate() override;
    OpenResult open(const HidDeviceInfo& device, HidAccess access) override;
    void setChangeHandler(std::function<void()> handler) override;

private:
    struct UdevDeleter {
        void operator()(udev* handle) const;
        void operator()(udev_monitor* handle) const;
    };

    std::optional<LinuxHidNodeInfo> nodeInfo(const HidDeviceInfo& device) const;
    void onMonitorReadable();

    std::unique_ptr<udev, UdevDeleter> m_udev;
    std::unique_ptr<udev_monitor, UdevDeleter> m_monitor;
    std::unique_ptr<QSocketNotifier> m_notifier;
    std::function<void()> m_changeHandler;
};
