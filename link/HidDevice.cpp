#include "link/HidDevice.h"

#include <QList>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <thread>

#include "link/HidDeviceController.h"
#include "link/HidDeviceReadThread.h"

namespace {

// String buffers hold 254 wide characters, as the device's strings are read into.
constexpr int StringBufferLength = 254;
constexpr char16_t Unwritten = 0xFFFF;

// A reader needs a buffer even when the descriptor cannot be read: the largest full-speed interrupt report
// and its report ID.
constexpr int FallbackInputReportLength = 65;

}  // namespace

THidDevice::THidDevice(HidDeviceController* controller, std::shared_ptr<HidPlatform> platform, HidDeviceInfo pnp)
    : m_controller(controller), m_platform(std::move(platform)), m_pnp(std::move(pnp))
{
    HidPlatform::OpenResult opened = m_platform->open(m_pnp, HidAccess::ReadWrite);
    m_canReadWrite = bool(opened.connection);
    m_readWriteError = opened.error;
    if (!opened.connection)
        opened = m_platform->open(m_pnp, HidAccess::QueryOnly);
    if (!opened.connection)
        throw EControllerError(EControllerError::CannotOpen);
    const std::optional<HidAttributes> attributes = opened.connection->attributes();
    if (!attributes)
        throw EControllerError(EControllerError::CannotIdentify);
    m_attributes = *attributes;
}

THidDevice::~THidDevice()
{
    StopReader();
    m_unplugHandler = {};
    closeHandles();
    if (m_controller)
        m_controller->deviceFreed(this);
}

bool THidDevice::IsUsable() const
{
    return m_pluggedIn && (m_claimed || m_inEnumeration);
}

bool THidDevice::OpenInfoHandle()
{
    std::lock_guard lock(m_handleMutex);
    if (!m_infoHandle && IsUsable()) {
        HidPlatform::OpenResult opened = m_platform->open(m_pnp, HidAccess::ReadWrite);
        m_canReadWrite = bool(opened.connection);
        m_readWriteError = opened.error;
        if (!opened.connection)
            opened = m_platform->open(m_pnp, HidAccess::QueryOnly);
        m_infoHandle = std::move(opened.connection);
    }
    return bool(m_infoHandle);
}

void THidDevice::CloseInfoHandle()
{
    std::lock_guard lock(m_handleMutex);
    m_infoHandle.reset();
}

bool THidDevice::OpenReadHandle()
{
    quint32 error = 0;
    return bool(acquireReadHandle(&error));
}

std::shared_ptr<HidConnection> THidDevice::acquireReadHandle(quint32* error)
{
    std::lock_guard lock(m_handleMutex);
    if (!IsUsable()) {
        *error = ENODEV;
        return nullptr;
    }
    if (!m_readHandle) {
        HidPlatform::OpenResult opened = m_platform->open(m_pnp, HidAccess::Read);
        *error = opened.error;
        m_readHandle = std::move(opened.connection);
    }
    return m_readHandle;
}

void THidDevice::CloseReadHandle()
{
    std::lock_guard lock(m_handleMutex);
    m_readHandle.reset();
}

bool THidDevice::OpenWriteHandle()
{
    std::lock_guard lock(m_handleMutex);
    if (!m_writeHandle && IsUsable())
        m_writeHandle = m_platform->open(m_pnp, HidAccess::Write).connection;
    return bool(m_writeHandle);
}

void THidDevice::CloseWriteHandle()
{
    std::lock_guard lock(m_handleMutex);
    m_writeHandle.reset();
}

void THidDevice::closeHandles()
{
    std::lock_guard lock(m_handleMutex);
    m_infoHandle.reset();
    m_readHandle.reset();
    m_writeHandle.reset();
}

QString THidDevice::GetProductText()
{
    if (m_productText.isEmpty() && OpenInfoHandle()) {
        if (const std::optional<QString> product = m_infoHandle->productString())
            m_productText = product->left(StringBufferLength);
        CloseInfoHandle();
    }
    return m_productText;
}

// Some devices answer the serial-number request with their language list; such a "serial" is none. The
// language list is compared only as far as the device wrote it: the buffer is pre-filled with FFFF, and the
// written part ends at the last character that is not FFFF (its terminating zero not counted).
QString THidDevice::GetSerialText()
{
    if (!m_serialText.isEmpty() || !OpenInfoHandle())
        return m_serialText;
    const std::optional<QString> serial = m_infoHandle->serialString();
    if (serial && !serial->isEmpty()) {
        const std::optional<QList<quint16>> languages = m_infoHandle->languageList();
        if (!languages) {
            // The system does not let us read the list (Linux, without access to the USB device itself);
            // the serial it reports comes from the kernel, which never returns the list in its place.
            m_serialText = serial->left(StringBufferLength);
        } else {
            QList<char16_t> written(StringBufferLength, Unwritten);
            const int count = std::min(int(languages->size()), StringBufferLength);
            std::copy_n(languages->begin(), count, written.begin());
            if (count < StringBufferLength)
                written[count] = 0;
            int n = 0;
            for (int k = StringBufferLength - 1; k >= 0; --k) {
                if (written[k] != Unwritten) {
                    n = written[k] == 0 ? k : k + 1;
                    break;
                }
            }
            const QString padded = serial->left(StringBufferLength).leftJustified(n, QChar(0));
            bool differs = false;
            for (int i = 0; i < n && !differs; ++i)
                differs = padded[i].unicode() != written[i];
            if (differs)
                m_serialText = serial->left(StringBufferLength);
        }
    }
    CloseInfoHandle();
    return m_serialText;
}

// A feature report is a control transfer that the system waits for, for seconds when the device does not
// answer; the window's thread waits only a moment. The send's state is shared with the thread that makes
// it, which keeps the handle open until the device has answered or the system gave up.
struct THidDevice::FeatureSend {
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    quint32 error = 0;
};

bool THidDevice::SendFeatureReport(const quint8* report, int size)
{
    if (m_featureSend) {
        std::lock_guard lock(m_featureSend->mutex);
        if (!m_featureSend->finished) {
            m_featureError = ETIMEDOUT;
            return false;
        }
    }
    if (!OpenInfoHandle()) {
        m_featureError = m_readWriteError != 0 ? quint32(m_readWriteError) : quint32(ENODEV);
        return false;
    }
    const std::shared_ptr<HidConnection> handle = [this] {
        std::lock_guard lock(m_handleMutex);
        return m_infoHandle;
    }();
    auto send = std::make_shared<FeatureSend>();
    m_featureSend = send;
    std::thread([send, handle, bytes = QByteArray(reinterpret_cast<const char*>(report), size)] {
        const quint32 error = handle->sendFeatureReport(bytes);
        std::lock_guard lock(send->mutex);
        send->error = error;
        send->finished = true;
        send->done.notify_all();
    }).detach();
    std::unique_lock lock(send->mutex);
    if (!send->done.wait_for(lock, std::chrono::milliseconds(FeatureAnswerTime), [&] { return send->finished; })) {
        m_featureError = ETIMEDOUT;
        return false;
    }
    m_featureError = send->error;
    return send->error == 0;
}

const HidReportDescriptor& THidDevice::capabilities()
{
    if (!m_capabilities) {
        const bool wasOpen = [this] {
            std::lock_guard lock(m_handleMutex);
            return bool(m_infoHandle);
        }();
        static const HidReportDescriptor unknown;  // not kept: the descriptor is asked for again next time
        if (!OpenInfoHandle())
            return unknown;
        const std::optional<QByteArray> descriptor = m_infoHandle->reportDescriptor();
        m_capabilities = HidReportDescriptor::parse(descriptor.value_or(QByteArray()));
        if (!wasOpen)
            CloseInfoHandle();
    }
    return *m_capabilities;
}

int THidDevice::inputReportLength()
{
    const int length = capabilities().inputReportLength();
    return length > 0 ? length : FallbackInputReportLength;
}

int THidDevice::featureReportLength()
{
    return capabilities().featureReportLength();
}

void THidDevice::SetSleepTime(int ms)
{
    if (ms >= MinSleepTime && ms <= MaxSleepTime)
        m_sleepTime = ms;
}

void THidDevice::SetDataHandler(const THidDataEvent& handler)
{
    if (!handler)
        StopReader();
    m_dataHandler = handler;
    StartReader();
}

void THidDevice::StartReader()
{
    if (m_dataHandler && m_pluggedIn && m_claimed && m_canReadWrite && !m_reader) {
        // Opened here, on the user-interface thread: the reader only reads.
        quint32 error = 0;
        std::shared_ptr<HidConnection> handle = acquireReadHandle(&error);
        m_reader = std::make_unique<THidDeviceReadThread>(this, std::move(handle), error);
        m_reader->start();
    }
}

// The read handle goes with the reader: the system queues a device's reports on every handle open for
// reading, read or not, and a handle kept open would hand the reports of the time the link was off to the
// next reader as if they were new.
void THidDevice::StopReader()
{
    if (!m_reader)
        return;
    std::unique_ptr<THidDeviceReadThread> reader = std::move(m_reader);
    if (!reader->stopAndWait())
        reader.release()->releaseWhenDone();
    CloseReadHandle();
}

void THidDevice::MarkUnplugged()
{
    // Cleared first, so that the reader cannot open a fresh read handle once the old one is closed.
    m_pluggedIn = false;
    closeHandles();
    if (m_unplugHandler)
        m_unplugHandler(this);
    m_unplugHandler = {};
}

void THidDevice::deliverReport(quint8 reportId, const quint8* data, quint16 size)
{
    if (m_dataHandler)
        m_dataHandler(this, reportId, data, size);
}

void THidDevice::deliverReadError(quint32 error)
{
    if (m_dataErrorHandler)
        m_dataErrorHandler(this, error);
}
