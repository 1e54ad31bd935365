// The HID layer: the controller keeps the list of present HID devices and reports arrivals, removals and
// changes; each device identifies itself, sends feature reports and reads input reports on its own reader
// thread. One controller per program.
#pragma once

#include <QList>
#include <QString>
#include <memory>
#include <stdexcept>
#include <vector>

#include "link/HidDevice.h"
#include "link/HidDeviceReadThread.h"
#include "link/HidEvent.h"
#include "link/HidPlatform.h"

class EControllerError : public std::runtime_error {
public:
    enum Kind { CannotOpen, CannotIdentify, SecondController };
    explicit EControllerError(Kind kind);
    Kind kind() const { return m_kind; }

private:
    Kind m_kind;
};

class HidDeviceController {
public:
    // Lists the present devices and subscribes to the platform's change notification. Raises
    // "Only one HidDeviceController allowed per program" while another controller exists.
    explicit HidDeviceController(std::shared_ptr<HidPlatform> platform);
    ~HidDeviceController();
    HidDeviceController(const HidDeviceController&) = delete;
    HidDeviceController& operator=(const HidDeviceController&) = delete;

    static constexpr const char* VersionText = "1.0.22";
    QString Version() const { return QString::fromLatin1(VersionText); }

    // Brings the list up to date: removals (from the last device to the first), then arrivals, then the
    // device-change event if anything changed or it has not been fired since it was set.
    void DeviceChange();
    // OnEnumerate for each plugged-in device in list order until a handler returns false; the number of
    // devices visited.
    int RunEnumeration();
    // The device at Idx marked claimed, or null when out of range or claimed already.
    THidDevice* ClaimDevice(int Idx);

    const QList<THidDevice*>& devices() const { return m_devices; }

    int DevThreadSleepTime() const { return m_sleepTime; }
    void setDevThreadSleepTime(int ms);

    const THidPlugEvent& onArrival() const { return m_onArrival; }
    void setOnArrival(const THidPlugEvent& handler) { m_onArrival = handler; }
    const THidPlugEvent& onRemoval() const { return m_onRemoval; }
    void setOnRemoval(const THidPlugEvent& handler) { m_onRemoval = handler; }
    const THidEnumerateEvent& onEnumerate() const { return m_onEnumerate; }
    void setOnEnumerate(const THidEnumerateEvent& handler) { m_onEnumerate = handler; }
    const THidNotifyEvent& onDeviceChange() const { return m_onDeviceChange; }
    // A new handler is fired at once, so its holder learns the present devices.
    void setOnDeviceChange(const THidNotifyEvent& handler);
    // New handlers reach every listed device that still carries the previous one.
    const THidDataEvent& onDeviceData() const { return m_onDeviceData; }
    void setOnDeviceData(const THidDataEvent& handler);
    const THidDataErrorEvent& onDeviceDataError() const { return m_onDeviceDataError; }
    void setOnDeviceDataError(const THidDataErrorEvent& handler);
    const THidPlugEvent& onDeviceUnplug() const { return m_onDeviceUnplug; }
    void setOnDeviceUnplug(const THidPlugEvent& handler);

private:
    friend class THidDevice;

    // Owns the controller count for the lifetime of the controller, also when the constructor raises.
    struct Registration {
        Registration();
        ~Registration();
    };

    std::vector<std::unique_ptr<THidDevice>> buildDeviceList();
    std::unique_ptr<THidDevice> createDevice(const HidDeviceInfo& pnp);
    void runDeviceChange();
    // A freed device: an unclaimed twin takes its place while it is plugged in.
    void deviceFreed(THidDevice* device);

    Registration m_registration;
    std::shared_ptr<HidPlatform> m_platform;
    QList<THidDevice*> m_devices;  // owned while not claimed; a claimed device is freed by its holder
    int m_sleepTime = THidDevice::DefaultSleepTime;
    bool m_deviceChangeFired = false;
    bool m_inDeviceChange = false;
    bool m_deviceChangeAgain = false;

    THidPlugEvent m_onArrival;
    THidPlugEvent m_onRemoval;
    THidEnumerateEvent m_onEnumerate;
    THidNotifyEvent m_onDeviceChange;
    THidDataEvent m_onDeviceData;
    THidDataErrorEvent m_onDeviceDataError;
    THidPlugEvent m_onDeviceUnplug;
};
