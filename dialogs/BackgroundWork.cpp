#include "dialogs/BackgroundWork.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <exception>
#include <thread>

bool WorkProgress::advance(qint64 done, qint64 total)
{
    m_permille = total > 0 ? int(std::clamp<qint64>(done * 1000 / total, 0, 1000)) : 0;
    return !m_cancelled;
}

void runBeside(WorkProgress& progress, const std::function<void()>& work, const ProgressBoxSource& boxes)
{
    QEventLoop loop;
    QElapsedTimer elapsed;
    elapsed.start();
    std::unique_ptr<ProgressBox> box;
    bool boxAsked = false;
    const auto followBox = [&] {
        if (!boxAsked && boxes.open && elapsed.elapsed() >= boxes.delay.count()) {
            boxAsked = true;
            box = boxes.open();
        }
        if (!box)
            return;
        box->setPermille(progress.permille());
        if (box->cancelRequested())
            progress.cancel();
    };
    // A box due at once is asked before the work starts, so that a cancel from it is seen by the work.
    followBox();

    std::atomic<bool> ended{false};
    std::exception_ptr failure;
    std::thread worker([&] {
        try {
            work();
        } catch (...) {
            failure = std::current_exception();
        }
        ended = true;
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        followBox();
        if (ended)
            loop.quit();
    });
    poll.start(20);
    // A quit posted before the loop runs is delivered once it does. The loop also ends when the application
    // quits: the work is then cancelled and waited for.
    loop.exec();
    if (!ended)
        progress.cancel();
    worker.join();
    box.reset();
    if (failure)
        std::rethrow_exception(failure);
}
