// The reader of one device: waits for input reports on its own thread and hands each one to the
// user-interface thread, waiting until the handler has returned, so that program code never runs on this
// thread and needs no locks. It reads from the handle opened for it on the user-interface thread and
// touches nothing else of the system: the device library (udev) belongs to the thread that made it.
//
// A stop wakes the reader's wait at once, however long its sleep time.
//
// Stopping is done on the user-interface thread and keeps carrying out the hand-overs the reader queued
// while it waits, or the two threads would wait for each other. A stop requested from inside the reader's
// own hand-over (a handler that stops its device) cannot wait: the reader then frees itself once that
// hand-over has returned.
#pragma once

#include <QThread>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

class HidConnection;
class THidDevice;

class THidDeviceReadThread : public QThread {
public:
    // Sizes the buffer to the input report length. handle: the open read handle, or null with the reason
    // it could not be opened, which the reader reports until it is stopped.
    THidDeviceReadThread(THidDevice* device, std::shared_ptr<HidConnection> handle, quint32 openError);
    ~THidDeviceReadThread() override;

    // False when called from inside this reader's own hand-over; the reader has then been asked to stop
    // and stops as soon as that hand-over returns.
    bool stopAndWait();
    void releaseWhenDone();

    quint32 lastError() const { return m_lastError; }
    int bytesRead() const { return m_bytesRead; }

protected:
    void run() override;

private:
    enum class HandOver { Idle, Pending, Running };

    void handOver(std::function<void()> call);  // reader thread
    void serveHandOver();                       // user-interface thread
    void sleepUnlessStopped(int ms);

    THidDevice* m_device;
    const std::shared_ptr<HidConnection> m_handle;
    const quint32 m_openError;
    std::vector<quint8> m_buffer;
    std::atomic<quint32> m_lastError{0};
    std::atomic<int> m_bytesRead{0};

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::atomic<bool> m_stop{false};
    bool m_exited = false;
    HandOver m_handOver = HandOver::Idle;
    std::function<void()> m_call;

    bool m_serving = false;          // user-interface thread only
    bool m_releaseWhenDone = false;  // user-interface thread only
};
