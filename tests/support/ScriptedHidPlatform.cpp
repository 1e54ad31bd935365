#include "tests/support/ScriptedHidPlatform.h"

#include <QHash>
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <utility>

using Clock = std::chrono::steady_clock;

// One scripted device and what happened to it.
struct ScriptedDeviceState {
    ScriptedHidDevice definition;
    bool present = true;
    std::deque<QByteArray> queue;
    std::function<QByteArray()> stream;
    std::chrono::milliseconds interval{0};
    Clock::time_point nextStreamReport;
    int failuresLeft = 0;
    quint32 failure = 0;
    QList<QByteArray> features;
    quint32 featureRefusal = 0;
    std::chrono::milliseconds featureDelay{0};
    QHash<int, std::deque<QByteArray>> handleQueues;  // reports sent to each open read handle, by handle
    int openHandles = 0;
    int readsStarted = 0;
    int delivered = 0;
};
using DeviceState = ScriptedDeviceState;

// Shared with the open handles, which may outlive the platform object and are used from reader threads.
struct ScriptedHidPlatform::Shared {
    mutable std::mutex mutex;
    std::condition_variable changed;
    bool available = true;
    QList<QString> order;  // instance identities in the order devices were added
    QHash<QString, DeviceState> devices;
    int releasedWithPendingRead = 0;
    int nextHandle = 0;
    std::thread::id owner = std::this_thread::get_id();
    int opensOffThread = 0;

    DeviceState* find(const QString& id)
    {
        auto it = devices.find(id);
        return it == devices.end() ? nullptr : &it.value();
    }
};

namespace {

class ScriptedConnection : public HidConnection {
public:
    ScriptedConnection(std::shared_ptr<ScriptedHidPlatform::Shared> shared, QString id, HidAccess access)
        : m_shared(std::move(shared)), m_id(std::move(id)), m_access(access)
    {
        std::lock_guard lock(m_shared->mutex);
        m_handle = ++m_shared->nextHandle;
        DeviceState* device = m_shared->find(m_id);
        ++device->openHandles;
        if (m_access == HidAccess::Read)
            device->handleQueues.insert(m_handle, {});
    }

    ~ScriptedConnection() override
    {
        std::lock_guard lock(m_shared->mutex);
        if (m_buffer)
            ++m_shared->releasedWithPendingRead;
        if (DeviceState* device = m_shared->find(m_id)) {
            --device->openHandles;
            device->handleQueues.remove(m_handle);
        }
    }

    std::optional<HidAttributes> attributes() override
    {
        std::lock_guard lock(m_shared->mutex);
        const DeviceState* device = m_shared->find(m_id);
        if (!device || !device->definition.identifiable)
            return std::nullopt;
        return device->definition.attributes;
    }

    std::optional<QString> productString() override { return text(&ScriptedHidDevice::product); }
    std::optional<QString> serialString() override { return text(&ScriptedHidDevice::serial); }

    std::optional<QList<quint16>> languageList() override
    {
        std::lock_guard lock(m_shared->mutex);
        const DeviceState* device = m_shared->find(m_id);
        return device && device->present ? device->definition.languages : std::nullopt;
    }

    std::optional<QByteArray> reportDescriptor() override
    {
        std::lock_guard lock(m_shared->mutex);
        const DeviceState* device = m_shared->find(m_id);
        if (!device || !device->present)
            return std::nullopt;
        return device->definition.descriptor;
    }

    quint32 sendFeatureReport(const QByteArray& report) override
    {
        std::unique_lock lock(m_shared->mutex);
        DeviceState* device = m_shared->find(m_id);
        if (m_access == HidAccess::QueryOnly)
            return EBADF;
        if (!device || !device->present)
            return ENODEV;
        // A cable that does not answer: the call blocks, as the system's does, until the delay has passed
        // or is taken back.
        const Clock::time_point start = Clock::now();
        while (device && device->present && Clock::now() < start + device->featureDelay) {
            m_shared->changed.wait_until(lock, start + device->featureDelay);
            device = m_shared->find(m_id);
        }
        if (!device || !device->present)
            return ENODEV;
        if (device->featureRefusal != 0)
            return device->featureRefusal;
        device->features.append(report);
        return 0;
    }

    quint32 startRead(quint8* buffer, int length) override
    {
        std::lock_guard lock(m_shared->mutex);
        DeviceState* device = m_shared->find(m_id);
        if (m_access != HidAccess::Read)
            return EBADF;
        if (!device || !device->present)
            return ENODEV;
        if (device->failuresLeft != 0) {
            if (device->failuresLeft > 0)
                --device->failuresLeft;
            return device->failure;
        }
        ++device->readsStarted;
        m_buffer = buffer;
        m_length = length;
        return 0;
    }

    HidReadResult waitRead(int timeoutMs) override
    {
        std::unique_lock lock(m_shared->mutex);
        const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        for (;;) {
            DeviceState* device = m_shared->find(m_id);
            if (std::exchange(m_interrupted, false))
                return {HidReadResult::Pending, 0, 0};
            if (!m_buffer)
                return {HidReadResult::Failed, 0, EINVAL};
            if (!device || !device->present) {
                m_buffer = nullptr;
                return {HidReadResult::Failed, 0, ENODEV};
            }
            const Clock::time_point now = Clock::now();
            std::optional<QByteArray> report;
            std::deque<QByteArray>& sent = device->handleQueues[m_handle];
            if (!sent.empty()) {
                report = sent.front();
                sent.pop_front();
            } else if (!device->queue.empty()) {
                report = device->queue.front();
                device->queue.pop_front();
            } else if (device->stream && now >= device->nextStreamReport) {
                report = device->stream();
                device->nextStreamReport = std::max(device->nextStreamReport + device->interval,
                                                    now - device->interval);
            }
            if (report) {
                const int bytes = std::min(int(report->size()), m_length);
                std::copy_n(reinterpret_cast<const quint8*>(report->constData()), bytes, m_buffer);
                m_buffer = nullptr;
                ++device->delivered;
                return {HidReadResult::Completed, bytes, 0};
            }
            if (now >= deadline)
                return {HidReadResult::Pending, 0, 0};
            const Clock::time_point wake = device->stream ? std::min(deadline, device->nextStreamReport) : deadline;
            m_shared->changed.wait_until(lock, wake);
        }
    }

    void cancelRead() override
    {
        std::lock_guard lock(m_shared->mutex);
        m_buffer = nullptr;
    }

    void interruptWait() override
    {
        {
            std::lock_guard lock(m_shared->mutex);
            m_interrupted = true;
        }
        m_shared->changed.notify_all();
    }

private:
    std::optional<QString> text(std::optional<QString> ScriptedHidDevice::*field)
    {
        std::lock_guard lock(m_shared->mutex);
        const DeviceState* device = m_shared->find(m_id);
        if (!device || !device->present)
            return std::nullopt;
        return device->definition.*field;
    }

    std::shared_ptr<ScriptedHidPlatform::Shared> m_shared;
    QString m_id;
    HidAccess m_access;
    int m_handle = 0;
    quint8* m_buffer = nullptr;  // guarded by the shared mutex
    bool m_interrupted = false;  // guarded by the shared mutex
    int m_length = 0;
};

}  // namespace

ScriptedHidPlatform::ScriptedHidPlatform() : m_shared(std::make_shared<Shared>()) {}

ScriptedHidPlatform::~ScriptedHidPlatform() = default;

QByteArray ScriptedHidPlatform::bridgeDescriptor()
{
    static const unsigned char bytes[] = {
        0x06, 0xA0, 0xFF,  // Usage Page (vendor 0xFFA0)
        0x09, 0x01,        // Usage (1)
        0xA1, 0x01,        // Collection (Application)
        0x15, 0x00,        //   Logical Minimum (0)
        0x26, 0xFF, 0x00,  //   Logical Maximum (255)
        0x75, 0x08,        //   Report Size (8)
        0x95, 0x08,        //   Report Count (8)
        0x09, 0x02,        //   Usage (2)
        0x81, 0x02,        //   Input (Data, Variable, Absolute)
        0x09, 0x03,        //   Usage (3)
        0x91, 0x02,        //   Output (Data, Variable, Absolute)
        0x95, 0x09,        //   Report Count (9)
        0x09, 0x04,        //   Usage (4)
        0xB1, 0x02,        //   Feature (Data, Variable, Absolute)
        0xC0,              // End Collection
    };
    return QByteArray(reinterpret_cast<const char*>(bytes), sizeof bytes);
}

ScriptedHidDevice ScriptedHidPlatform::meterCable(const QString& name)
{
    ScriptedHidDevice cable;
    cable.path = QStringLiteral("/dev/scripted/%1").arg(name);
    cable.instanceId = QStringLiteral("/sys/scripted/%1").arg(name);
    cable.attributes = {0x1A86, 0xE008, 0x1300};
    cable.product = QStringLiteral("USB to Serial");
    cable.descriptor = bridgeDescriptor();
    return cable;
}

void ScriptedHidPlatform::setAvailable(bool available)
{
    std::lock_guard lock(m_shared->mutex);
    m_shared->available = available;
}

void ScriptedHidPlatform::addDevice(const ScriptedHidDevice& device)
{
    std::lock_guard lock(m_shared->mutex);
    if (!m_shared->devices.contains(device.instanceId))
        m_shared->order.append(device.instanceId);
    DeviceState& state = m_shared->devices[device.instanceId];
    state.definition = device;
    state.present = true;
}

void ScriptedHidPlatform::plug(const ScriptedHidDevice& device)
{
    addDevice(device);
    notifyChange();
}

void ScriptedHidPlatform::unplug(const QString& instanceId)
{
    {
        std::lock_guard lock(m_shared->mutex);
        if (DeviceState* device = m_shared->find(instanceId))
            device->present = false;
    }
    m_shared->changed.notify_all();
    notifyChange();
}

void ScriptedHidPlatform::notifyChange()
{
    if (m_changeHandler)
        m_changeHandler();
}

void ScriptedHidPlatform::queueReports(const QString& instanceId, const QList<QByteArray>& reports)
{
    {
        std::lock_guard lock(m_shared->mutex);
        if (DeviceState* device = m_shared->find(instanceId))
            device->queue.insert(device->queue.end(), reports.begin(), reports.end());
    }
    m_shared->changed.notify_all();
}

void ScriptedHidPlatform::sendReports(const QString& instanceId, const QList<QByteArray>& reports)
{
    constexpr std::size_t KernelQueueLength = 64;
    {
        std::lock_guard lock(m_shared->mutex);
        if (DeviceState* device = m_shared->find(instanceId)) {
            for (std::deque<QByteArray>& queue : device->handleQueues) {
                queue.insert(queue.end(), reports.begin(), reports.end());
                while (queue.size() > KernelQueueLength)
                    queue.pop_front();
            }
        }
    }
    m_shared->changed.notify_all();
}

void ScriptedHidPlatform::setReportStream(const QString& instanceId, std::function<QByteArray()> next, int intervalMs)
{
    {
        std::lock_guard lock(m_shared->mutex);
        if (DeviceState* device = m_shared->find(instanceId)) {
            device->stream = std::move(next);
            device->interval = std::chrono::milliseconds(intervalMs);
            device->nextStreamReport = Clock::now();
        }
    }
    m_shared->changed.notify_all();
}

void ScriptedHidPlatform::failReads(const QString& instanceId, quint32 error, int count)
{
    std::lock_guard lock(m_shared->mutex);
    if (DeviceState* device = m_shared->find(instanceId)) {
        device->failure = error;
        device->failuresLeft = count;
    }
}

namespace {

template <typename T>
T fromDevice(const ScriptedHidPlatform::Shared& shared, const QString& id, T DeviceState::*field)
{
    auto it = shared.devices.find(id);
    return it == shared.devices.end() ? T() : it.value().*field;
}

}  // namespace

void ScriptedHidPlatform::failFeatureReports(const QString& instanceId, quint32 error)
{
    std::lock_guard lock(m_shared->mutex);
    if (DeviceState* device = m_shared->find(instanceId))
        device->featureRefusal = error;
}

void ScriptedHidPlatform::delayFeatureReports(const QString& instanceId, int delayMs)
{
    {
        std::lock_guard lock(m_shared->mutex);
        if (DeviceState* device = m_shared->find(instanceId))
            device->featureDelay = std::chrono::milliseconds(delayMs);
    }
    m_shared->changed.notify_all();
}

QList<QByteArray> ScriptedHidPlatform::featureReports(const QString& instanceId) const
{
    std::lock_guard lock(m_shared->mutex);
    return fromDevice(*m_shared, instanceId, &DeviceState::features);
}

int ScriptedHidPlatform::openHandles(const QString& instanceId) const
{
    std::lock_guard lock(m_shared->mutex);
    return fromDevice(*m_shared, instanceId, &DeviceState::openHandles);
}

int ScriptedHidPlatform::readsStarted(const QString& instanceId) const
{
    std::lock_guard lock(m_shared->mutex);
    return fromDevice(*m_shared, instanceId, &DeviceState::readsStarted);
}

int ScriptedHidPlatform::queuedReports(const QString& instanceId) const
{
    std::lock_guard lock(m_shared->mutex);
    auto it = m_shared->devices.find(instanceId);
    return it == m_shared->devices.end() ? 0 : int(it.value().queue.size());
}

int ScriptedHidPlatform::reportsDelivered(const QString& instanceId) const
{
    std::lock_guard lock(m_shared->mutex);
    return fromDevice(*m_shared, instanceId, &DeviceState::delivered);
}

int ScriptedHidPlatform::opensOffThread() const
{
    std::lock_guard lock(m_shared->mutex);
    return m_shared->opensOffThread;
}

int ScriptedHidPlatform::releasedWithPendingRead() const
{
    std::lock_guard lock(m_shared->mutex);
    return m_shared->releasedWithPendingRead;
}

bool ScriptedHidPlatform::available() const
{
    std::lock_guard lock(m_shared->mutex);
    return m_shared->available;
}

QList<HidDeviceInfo> ScriptedHidPlatform::enumerate()
{
    std::lock_guard lock(m_shared->mutex);
    QList<HidDeviceInfo> list;
    for (const QString& id : std::as_const(m_shared->order)) {
        const DeviceState& device = m_shared->devices[id];
        if (device.present)
            list.append({device.definition.path, id});
    }
    return list;
}

HidPlatform::OpenResult ScriptedHidPlatform::open(const HidDeviceInfo& info, HidAccess access)
{
    {
        std::lock_guard lock(m_shared->mutex);
        if (std::this_thread::get_id() != m_shared->owner)
            ++m_shared->opensOffThread;
        const DeviceState* device = m_shared->find(info.instanceId);
        if (!device || !device->present || device->definition.path != info.path)
            return {nullptr, ENOENT};
        if (!device->definition.openable)
            return {nullptr, device->definition.refusal};
        if (access != HidAccess::QueryOnly && !device->definition.readWrite)
            return {nullptr, device->definition.refusal};
    }
    return {std::make_unique<ScriptedConnection>(m_shared, info.instanceId, access), 0};
}

void ScriptedHidPlatform::setChangeHandler(std::function<void()> handler)
{
    m_changeHandler = std::move(handler);
}
