// One present HID interface, as the controller lists it. A user of the layer takes one with ClaimDevice and
// gives it back by deleting it; deleting a device that is still plugged in puts an unclaimed twin in its
// place in the controller's list, so the list always mirrors what is present.
//
// All members are used on the user-interface thread, except what the device's reader needs (the flags and
// the sleep time), which is safe to use from the reader's thread; the reader gets its read handle when it
// is made.
#pragma once

#include <QString>
#include <atomic>
#include <memory>
#include <mutex>
#include <optional>

#include "link/HidEvent.h"
#include "link/HidPlatform.h"
#include "link/HidReportDescriptor.h"

class HidDeviceController;
class THidDeviceReadThread;

class THidDevice {
public:
    ~THidDevice();
    THidDevice(const THidDevice&) = delete;
    THidDevice& operator=(const THidDevice&) = delete;

    static constexpr int DefaultSleepTime = 100;
    static constexpr int MinSleepTime = 10;
    static constexpr int MaxSleepTime = 10000;

    HidDeviceController* controller() const { return m_controller; }
    const HidDeviceInfo& pnpInfo() const { return m_pnp; }
    const HidAttributes& attributes() const { return m_attributes; }

    bool PluggedIn() const { return m_pluggedIn; }
    bool Claimed() const { return m_claimed; }
    bool InEnumeration() const { return m_inEnumeration; }
    bool CanReadWrite() const { return m_canReadWrite; }
    // The system's reason the last read-write open was refused (0 when it was not), so that the user can be
    // told why a present cable cannot be read.
    quint32 readWriteError() const { return m_readWriteError; }

    bool IsUsable() const;
    bool OpenInfoHandle();
    void CloseInfoHandle();
    bool OpenReadHandle();
    void CloseReadHandle();
    bool OpenWriteHandle();
    void CloseWriteHandle();

    QString GetProductText();
    QString GetSerialText();
    // True when the device took the report. A device that does not answer within FeatureAnswerTime is
    // not waited for: the send goes on beside the caller, and the result is false with ETIMEDOUT, also
    // for further sends while that one still hangs.
    bool SendFeatureReport(const quint8* report, int size);
    quint32 lastFeatureError() const { return m_featureError; }  // the reason the last send failed
    static constexpr int FeatureAnswerTime = 200;                // ms
    // Report lengths in bytes, report ID byte included, from the report descriptor read once; 0 for a
    // feature report the descriptor does not declare.
    int inputReportLength();
    int featureReportLength();

    int SleepTime() const { return m_sleepTime; }
    void SetSleepTime(int ms);  // 10 to 10000; other values are ignored

    const THidDataEvent& dataHandler() const { return m_dataHandler; }
    void SetDataHandler(const THidDataEvent& handler);
    const THidDataErrorEvent& dataErrorHandler() const { return m_dataErrorHandler; }
    void setDataErrorHandler(const THidDataErrorEvent& handler) { m_dataErrorHandler = handler; }
    const THidPlugEvent& unplugHandler() const { return m_unplugHandler; }
    void setUnplugHandler(const THidPlugEvent& handler) { m_unplugHandler = handler; }

    void StartReader();
    void StopReader();
    bool readerRunning() const { return m_reader != nullptr; }
    void MarkUnplugged();

private:
    friend class HidDeviceController;
    friend class THidDeviceReadThread;

    // Opens the device once to learn whether it can be read and written and to read its attributes; raises
    // EControllerError "device cannot be opened" or "device cannot be identified".
    THidDevice(HidDeviceController* controller, std::shared_ptr<HidPlatform> platform, HidDeviceInfo pnp);

    struct FeatureSend;
    const HidReportDescriptor& capabilities();

    // The open read handle, opened if need be, or null with the reason.
    std::shared_ptr<HidConnection> acquireReadHandle(quint32* error);
    // On the user-interface thread, for the reader.
    void deliverReport(quint8 reportId, const quint8* data, quint16 size);
    void deliverReadError(quint32 error);
    void setClaimed(bool claimed) { m_claimed = claimed; }
    void setInEnumeration(bool on) { m_inEnumeration = on; }
    void detachFromController() { m_controller = nullptr; }
    void closeHandles();

    HidDeviceController* m_controller;
    std::shared_ptr<HidPlatform> m_platform;
    HidDeviceInfo m_pnp;
    HidAttributes m_attributes;

    std::atomic<bool> m_pluggedIn{true};
    std::atomic<bool> m_claimed{false};
    std::atomic<bool> m_inEnumeration{false};
    std::atomic<bool> m_canReadWrite{false};
    std::atomic<quint32> m_readWriteError{0};
    std::atomic<int> m_sleepTime{DefaultSleepTime};

    mutable std::mutex m_handleMutex;  // the reader opens the read handle from its own thread
    std::shared_ptr<HidConnection> m_infoHandle;
    std::shared_ptr<HidConnection> m_readHandle;
    std::shared_ptr<HidConnection> m_writeHandle;

    QString m_productText;
    QString m_serialText;
    std::optional<HidReportDescriptor> m_capabilities;
    std::shared_ptr<FeatureSend> m_featureSend;  // the last send, which may still wait for the device
    quint32 m_featureError = 0;

    THidDataEvent m_dataHandler;
    THidDataErrorEvent m_dataErrorHandler;
    THidPlugEvent m_unplugHandler;
    std::unique_ptr<THidDeviceReadThread> m_reader;
};
