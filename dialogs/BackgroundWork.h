// Long work (saving, opening, exporting millions of rows) runs on a thread of its own while the window's
// thread goes on dispatching its events: the meter is read and recorded meanwhile. The work reports how far
// it is and stops early when the user cancels; a progress box shows it when it takes longer than a moment.
#pragma once

#include <QtGlobal>
#include <atomic>
#include <chrono>
#include <functional>
#include <memory>

// Shared between the work and the thread that waits for it.
class WorkProgress {
public:
    // Called by the work as it goes; false once a cancel was asked for: the work then stops and fails.
    bool advance(qint64 done, qint64 total);
    void cancel() { m_cancelled = true; }
    bool cancelled() const { return m_cancelled; }
    int permille() const { return m_permille; }

private:
    std::atomic<int> m_permille{0};
    std::atomic<bool> m_cancelled{false};
};

// A box that shows how far the work is and lets the user cancel it; it closes when destroyed.
class ProgressBox {
public:
    virtual ~ProgressBox() = default;
    virtual void setPermille(int permille) = 0;
    virtual bool cancelRequested() = 0;
};

struct ProgressBoxSource {
    std::chrono::milliseconds delay{500};                // work ending sooner shows no box
    std::function<std::unique_ptr<ProgressBox>()> open;  // null, or returning null: no box
};

// Runs work beside the calling thread, whose events go on being dispatched until the work has ended (a
// nested event loop: handlers, timers and frames keep running). After the delay a box from `boxes` shows the
// progress and passes a cancel on. An exception thrown by the work is thrown again here.
void runBeside(WorkProgress& progress, const std::function<void()>& work, const ProgressBoxSource& boxes);
