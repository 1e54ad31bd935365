#include "link/HidDeviceReadThread.h"

#include <QMetaObject>
#include <algorithm>
#include <chrono>

#include "link/HidDevice.h"

THidDeviceReadThread::THidDeviceReadThread(THidDevice* device, std::shared_ptr<HidConnection> handle, quint32 openError)
    : m_device(device), m_handle(std::move(handle)), m_openError(openError),
      m_buffer(std::size_t(std::max(device->inputReportLength(), 1)))
{
}

THidDeviceReadThread::~THidDeviceReadThread()
{
    stopAndWait();
}

void THidDeviceReadThread::run()
{
    bool pending = false;  // the handle holds our buffer while a read is under way
    // Nothing of the device is touched after a hand-over before the stop flag is checked: a handler may
    // have freed the device while this thread waited for it.
    while (!m_stop) {
        std::fill(m_buffer.begin(), m_buffer.end(), quint8(0));
        const int sleepTime = m_device->SleepTime();
        const bool present = m_device->PluggedIn();
        quint32 error = m_openError;
        HidReadResult result;
        if (m_handle) {
            error = m_handle->startRead(m_buffer.data(), int(m_buffer.size()));
            if (error == 0) {
                pending = true;
                do
                    result = m_handle->waitRead(sleepTime);
                while (result.status == HidReadResult::Pending && !m_stop);
                if (result.status == HidReadResult::Pending)
                    break;  // stop requested; the read is cancelled below
                pending = false;
                if (result.status == HidReadResult::Failed)
                    error = result.error;
            }
        }
        if (!m_handle || error != 0) {
            // A read that cannot be made is reported and tried again after the sleep time, not at once: an
            // unplugged cable must not make this thread spin and flood the handler. Once the device is
            // gone there is nothing left to retry.
            m_lastError = error;
            handOver([this, error] { m_device->deliverReadError(error); });
            if (m_stop || !present)
                break;
            sleepUnlessStopped(sleepTime);
            continue;
        }
        m_bytesRead = result.bytes;
        if (result.bytes == 0)
            continue;
        const auto size = quint16(result.bytes - 1);
        handOver([this, size] { m_device->deliverReport(m_buffer[0], m_buffer.data() + 1, size); });
    }
    if (pending)
        m_handle->cancelRead();  // before the buffer goes away with this object
    // Notified under the lock: the waiting stop may free this object as soon as it sees the flag.
    std::lock_guard lock(m_mutex);
    m_exited = true;
    m_changed.notify_all();
}

void THidDeviceReadThread::handOver(std::function<void()> call)
{
    {
        std::lock_guard lock(m_mutex);
        m_call = std::move(call);
        m_handOver = HandOver::Pending;
    }
    m_changed.notify_all();
    // This object lives on the user-interface thread, so the call is queued there; it is dropped if this
    // object is deleted first, and does nothing if a waiting stop has served the hand-over already.
    QMetaObject::invokeMethod(
        this, [this] { serveHandOver(); }, Qt::QueuedConnection);
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_handOver == HandOver::Idle; });
}

void THidDeviceReadThread::serveHandOver()
{
    std::function<void()> call;
    {
        std::lock_guard lock(m_mutex);
        if (m_handOver != HandOver::Pending)
            return;
        call = std::move(m_call);
        m_handOver = HandOver::Running;
    }
    // The reader must be released even if the handler throws, or it would wait for ever.
    struct Release {
        THidDeviceReadThread* self;
        ~Release()
        {
            self->m_serving = false;
            {
                std::lock_guard lock(self->m_mutex);
                self->m_handOver = HandOver::Idle;
            }
            self->m_changed.notify_all();
            if (self->m_releaseWhenDone)
                self->deleteLater();
        }
    } release{this};
    m_serving = true;
    call();
}

bool THidDeviceReadThread::stopAndWait()
{
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_changed.notify_all();
    if (m_handle)
        m_handle->interruptWait();
    if (m_serving)
        return false;
    for (;;) {
        {
            std::unique_lock lock(m_mutex);
            m_changed.wait(lock, [this] { return m_handOver == HandOver::Pending || m_exited || !isRunning(); });
            if (m_handOver != HandOver::Pending)
                break;
        }
        serveHandOver();
    }
    wait();
    return true;
}

void THidDeviceReadThread::releaseWhenDone()
{
    m_releaseWhenDone = true;
}

void THidDeviceReadThread::sleepUnlessStopped(int ms)
{
    std::unique_lock lock(m_mutex);
    m_changed.wait_for(lock, std::chrono::milliseconds(ms), [this] { return m_stop.load(); });
}
