// The window's USB link: the HID controller Hidctl, the device list DevListBox with the device each line
// holds, the device taken by the last connect, read or feature action, and the watchdog's tick.
#pragma once

#include <QString>
#include <memory>
#include <vector>

#include "link/HidDeviceController.h"

struct UsbState {
    // The claimed device of each line of DevListBox, in line order. Declared before Hidctl so that the
    // controller goes first at the end and its devices are not given back one by one.
    std::vector<std::unique_ptr<THidDevice>> lineDevices;
    std::unique_ptr<HidDeviceController> Hidctl;
    THidDevice* CurDevice = nullptr;  // one of lineDevices, or none
    int ConTick = 0;                  // 0..2: the watchdog runs on every third tick
    bool configurationRefusalTold = false;  // until the cable takes its configuration again
};

// A device's line in the list: its product string, else "Device VID=.... PID=....", and its serial number.
QString DeviceName(THidDevice* HidDev);

// The message for a cable the user may not read or write: its node, the system's reason and the rules
// file that grants access.
QString usbAccessDeniedText(const QString& node, quint32 error);
// The message for a cable that refused, or did not answer, the configuration report.
QString usbConfigurationRefusedText(const QString& node, quint32 error);

namespace usbtext {
inline const QString CableText = QStringLiteral("USB to Serial");
inline const QString NotConnected
    = QStringLiteral("USB interface cable is not securely connected, please check and re-try.");
inline const QString MeterNotReady
    = QStringLiteral("USB interface cable is securely connected, please check if the meter is ready.");
inline const QString Caption = QStringLiteral("KM610_620");
}  // namespace usbtext
