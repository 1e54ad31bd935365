#include "link/HidDeviceController.h"

#include <QSet>
#include <atomic>
#include <utility>

namespace {

std::atomic<int> g_controllers{0};

const char* messageOf(EControllerError::Kind kind)
{
    switch (kind) {
    case EControllerError::CannotOpen: return "device cannot be opened";
    case EControllerError::CannotIdentify: return "device cannot be identified";
    case EControllerError::SecondController: break;
    }
    return "Only one HidDeviceController allowed per program";
}

}  // namespace

EControllerError::EControllerError(Kind kind) : std::runtime_error(messageOf(kind)), m_kind(kind) {}

// A failed creation gives its count back at once, so that a program that caught the error can still make
// its one controller later.
HidDeviceController::Registration::Registration()
{
    if (++g_controllers > 1) {
        --g_controllers;
        throw EControllerError(EControllerError::SecondController);
    }
}

HidDeviceController::Registration::~Registration()
{
    --g_controllers;
}

HidDeviceController::HidDeviceController(std::shared_ptr<HidPlatform> platform) : m_platform(std::move(platform))
{
    for (std::unique_ptr<THidDevice>& device : buildDeviceList()) {
        device->m_controller = this;
        m_devices.append(device.release());
    }
    if (m_platform->available())
        m_platform->setChangeHandler([this] { DeviceChange(); });
}

HidDeviceController::~HidDeviceController()
{
    m_onDeviceChange = {};
    m_onDeviceUnplug = {};
    m_onEnumerate = {};
    m_platform->setChangeHandler({});
    const QList<THidDevice*> devices = std::exchange(m_devices, {});
    for (THidDevice* device : devices) {
        device->detachFromController();
        if (device->Claimed()) {
            device->MarkUnplugged();
            device->StopReader();  // its holder still frees it
        } else {
            delete device;
        }
    }
}

std::unique_ptr<THidDevice> HidDeviceController::createDevice(const HidDeviceInfo& pnp)
{
    auto device = std::unique_ptr<THidDevice>(new THidDevice(this, m_platform, pnp));
    device->m_dataHandler = m_onDeviceData;
    device->m_unplugHandler = m_onDeviceUnplug;
    // The error handler too: without it a device that arrived, or took a freed one's place, would have its
    // read errors go unreported.
    device->m_dataErrorHandler = m_onDeviceDataError;
    return device;
}

// Devices that cannot be opened or identified are left out without a word: they are of no use to us.
std::vector<std::unique_ptr<THidDevice>> HidDeviceController::buildDeviceList()
{
    std::vector<std::unique_ptr<THidDevice>> list;
    if (!m_platform->available())
        return list;
    for (const HidDeviceInfo& pnp : m_platform->enumerate()) {
        try {
            list.push_back(createDevice(pnp));
        } catch (const EControllerError&) {
        }
    }
    for (std::unique_ptr<THidDevice>& device : list)
        device->detachFromController();  // until it joins the list
    return list;
}

// A handler that opens a modal box runs a nested event loop, in which the next notification may arrive;
// it is then run after the current one instead of inside it.
void HidDeviceController::DeviceChange()
{
    if (m_inDeviceChange) {
        m_deviceChangeAgain = true;
        return;
    }
    m_inDeviceChange = true;
    do {
        m_deviceChangeAgain = false;
        runDeviceChange();
    } while (m_deviceChangeAgain);
    m_inDeviceChange = false;
}

void HidDeviceController::runDeviceChange()
{
    std::vector<std::unique_ptr<THidDevice>> fresh = buildDeviceList();
    QSet<QString> freshIds;
    for (const std::unique_ptr<THidDevice>& device : fresh)
        freshIds.insert(device->pnpInfo().instanceId);

    bool changed = false;
    for (qsizetype i = m_devices.size() - 1; i >= 0; --i) {
        THidDevice* device = m_devices[i];
        // A claimed device that was reported gone already stays in the list until its holder frees it;
        // it is not reported again.
        if (!device->PluggedIn() || freshIds.contains(device->pnpInfo().instanceId))
            continue;
        device->MarkUnplugged();
        if (m_onRemoval)
            m_onRemoval(device);
        if (!device->Claimed() && m_devices.removeOne(device)) {
            device->detachFromController();
            delete device;
        }
        changed = true;
        i = std::min(i, m_devices.size());
    }

    QSet<QString> presentIds;
    for (THidDevice* device : std::as_const(m_devices))
        if (device->PluggedIn())
            presentIds.insert(device->pnpInfo().instanceId);
    QList<THidDevice*> arrived;
    for (std::unique_ptr<THidDevice>& device : fresh) {
        if (presentIds.contains(device->pnpInfo().instanceId))
            continue;
        device->m_controller = this;
        arrived.append(device.release());
    }
    m_devices.append(arrived);
    for (THidDevice* device : std::as_const(arrived)) {
        changed = true;
        if (m_onArrival && m_devices.contains(device))
            m_onArrival(device);
    }

    if ((changed || !m_deviceChangeFired) && m_onDeviceChange)
        m_onDeviceChange();
}

int HidDeviceController::RunEnumeration()
{
    int visited = 0;
    for (qsizetype i = 0; i < m_devices.size(); ++i) {
        THidDevice* device = m_devices[i];
        if (!device->PluggedIn())
            continue;
        if (!m_onEnumerate)
            break;
        ++visited;
        device->setInEnumeration(true);
        const bool goOn = m_onEnumerate(device, int(i));
        device->setInEnumeration(false);
        if (!device->Claimed())
            device->closeHandles();
        if (!goOn)
            break;
    }
    return visited;
}

THidDevice* HidDeviceController::ClaimDevice(int Idx)
{
    if (Idx < 0 || Idx >= m_devices.size() || m_devices[Idx]->Claimed())
        return nullptr;
    THidDevice* device = m_devices[Idx];
    device->setClaimed(true);
    device->StartReader();
    return device;
}

void HidDeviceController::deviceFreed(THidDevice* device)
{
    const qsizetype index = m_devices.indexOf(device);
    if (index < 0)
        return;
    if (device->PluggedIn()) {
        try {
            std::unique_ptr<THidDevice> twin = createDevice(device->pnpInfo());
            twin->m_dataHandler = device->m_dataHandler;
            twin->m_dataErrorHandler = device->m_dataErrorHandler;
            twin->m_unplugHandler = device->m_unplugHandler;
            twin->m_sleepTime = device->SleepTime();
            m_devices[index] = twin.release();
            return;
        } catch (const EControllerError&) {
            // gone meanwhile: the next device change reports it
        }
    }
    m_devices.removeAt(index);
}

void HidDeviceController::setDevThreadSleepTime(int ms)
{
    for (THidDevice* device : std::as_const(m_devices))
        if (device->SleepTime() == m_sleepTime)
            device->SetSleepTime(ms);
    m_sleepTime = ms;
}

void HidDeviceController::setOnDeviceChange(const THidNotifyEvent& handler)
{
    if (handler == m_onDeviceChange)
        return;
    m_onDeviceChange = handler;
    m_deviceChangeFired = false;
    DeviceChange();
    m_deviceChangeFired = true;
}

void HidDeviceController::setOnDeviceData(const THidDataEvent& handler)
{
    if (handler == m_onDeviceData)
        return;
    for (THidDevice* device : std::as_const(m_devices))
        if (device->dataHandler() == m_onDeviceData)
            device->SetDataHandler(handler);
    m_onDeviceData = handler;
}

void HidDeviceController::setOnDeviceDataError(const THidDataErrorEvent& handler)
{
    if (handler == m_onDeviceDataError)
        return;
    for (THidDevice* device : std::as_const(m_devices))
        if (device->dataErrorHandler() == m_onDeviceDataError)
            device->setDataErrorHandler(handler);
    m_onDeviceDataError = handler;
}

void HidDeviceController::setOnDeviceUnplug(const THidPlugEvent& handler)
{
    if (handler == m_onDeviceUnplug)
        return;
    for (THidDevice* device : std::as_const(m_devices))
        if (device->unplugHandler() == m_onDeviceUnplug)
            device->setUnplugHandler(handler);
    m_onDeviceUnplug = handler;
}
