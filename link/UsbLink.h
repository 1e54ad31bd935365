// The USB link to the meter's cable, a HID device named "USB to Serial": it keeps the list of present HID
// devices, picks the cable, sends it the configuration report, starts and stops its reader, and switches
// the link off when the cable leaves or the meter stays silent (the watchdog). With reconnecting on, a
// cable that leaves while the link is on is waited for instead, and taken again when a matching one
// arrives. It has no widgets: what the
// user must see (messages, the link's state, log lines) goes out through signals, so that the window and a
// program without widgets drive it alike. The handlers keep the names of the window's components whose
// events they are (USBCon, ReadBtn, SetFeature, ConTimer, Hidctl).
//
// Signals are emitted on the user-interface thread, from inside the step that causes them, and must be
// connected directly: a message is shown before the step goes on, as the meter program always did.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

#include "link/HidDeviceController.h"

class FrameAssembler;

namespace usbtext {
inline const QString CableText = QStringLiteral("USB to Serial");
inline const QString NotConnected = QStringLiteral(
    "USB interface cable is not securely connected, please check and re-try.");
inline const QString MeterNotReady = QStringLiteral(
    "USB interface cable is securely connected, please check if the meter is ready.");
inline const QString Caption = QStringLiteral("KM610_620");
}  // namespace usbtext

// A device's line in the list: its product string, else "Device VID=.... PID=....", and its serial number.
QString DeviceName(THidDevice* HidDev);
// The message for a cable the user may not read or write: its node, the system's reason and the rules
// file that grants access.
QString usbAccessDeniedText(const QString& node, quint32 error);
// The lines of the device list that are meter cables, the one a link takes first: the last line named
// "USB to Serial", then the ones before it.
QList<int> cableLines(const QStringList& deviceNames);
// The message for a cable that refused, or did not answer, the configuration report.
QString usbConfigurationRefusedText(const QString& node, quint32 error);

class UsbLink : public QObject {
    Q_OBJECT

public:
    // The assembler is the one the reports are fed into: the watchdog reads its count of reports without
    // meter data, and a connect resets it.
    UsbLink(std::shared_ptr<HidPlatform> platform, FrameAssembler& assembler, QObject* parent = nullptr);
    ~UsbLink() override;

    // Binds the device-change handler, which fills the device list at once: connect the signals first.
    void start();

    // The device list DevListBox: one name per present device, in the controller's order, and the line of
    // the cable (-1: none).
    const QStringList& deviceNames() const { return m_names; }
    int selectedLine() const { return m_selected; }
    THidDevice* CurDevice() const { return m_curDevice; }  // taken by the last connect, read or feature action
    THidDevice* lineDevice(int line) const { return m_lineDevices.at(std::size_t(line)).get(); }
    // Which of cableLines() the link takes: 0, the first, unless asked otherwise. Set before start().
    void setCableChoice(int index) { m_cableChoice = index; }
    HidDeviceController& Hidctl() const { return *m_hidctl; }

    bool isOn() const { return m_on; }  // the button USBCon is down
    // USBCon was pressed or released from outside (the other button of its group, a click): nothing else
    // happens.
    void setDown(bool down);

    // Reconnect automatically; off while waiting for the cable: the link is switched off as it would have
    // been when the cable left.
    void setReconnect(bool on);
    bool isWaiting() const { return m_waiting; }  // on, the cable gone, waiting for it to come back

    void USBConClick();      // connect or disconnect
    void ReadBtnClick();     // detach reading from the cable's line
    void SetFeatureClick();  // send the configuration report
    // ConTimer's tick. Every third tick the watchdog looks at the reports without meter data; the result
    // tells that it was such a tick, on which the link indicator falls back.
    bool ConTimerTimer();

    void HidCtlArrival(THidDevice* HidDev);
    void HidCtlRemoval(THidDevice* HidDev);
    void HidCtlDeviceDataError(THidDevice* HidDev, quint32 Error);
    bool HidCtlEnumerate(THidDevice* HidDev, int Idx);
    void HidCtlDeviceChange();

signals:
    void historyLine(const QString& line);  // arrivals, removals, read errors, configuration reports
    void message(const QString& text);      // for the user, who confirms it before the link goes on
    void onChanged(bool on);                // USBCon goes down or up
    void devicesChanged();                  // the device list was built again
    void switched(bool on);                 // a connect or disconnect has ended
    void lost();                            // switched off without the user, after its message
    void waitingChanged(bool waiting);
    // One input report of the cable; the data are valid only while the signal runs.
    void reportReceived(THidDevice* HidDev, quint8 ReportID, const quint8* Data, quint16 Size);

private:
    THidDevice* selectedDevice() const;
    THidDataEvent reader();
    void deliverReport(THidDevice* HidDev, quint8 ReportID, const quint8* Data, quint16 Size);
    void setOn(bool on);
    void setWaiting(bool waiting);
    void linkLost(const QString& text);

    FrameAssembler& m_assembler;
    // The claimed device of each line, in line order. Declared before the controller so that the
    // controller goes first at the end and its devices are not given back one by one.
    std::vector<std::unique_ptr<THidDevice>> m_lineDevices;
    std::unique_ptr<HidDeviceController> m_hidctl;
    QStringList m_names;
    int m_selected = -1;
    int m_cableChoice = 0;
    THidDevice* m_curDevice = nullptr;
    bool m_on = false;
    bool m_reconnect = false;
    bool m_waiting = false;
    int m_conTick = 0;                        // 0..2: the watchdog looks on every third tick
    bool m_configurationRefusalTold = false;  // until the cable takes its configuration again
};
