// Pieces of one long job done side by side on the machine's cores, their results taken in the order the
// pieces were given: a data file is written and read in that order however the work is shared out.
#pragma once

#include <QThread>
#include <algorithm>
#include <deque>
#include <functional>
#include <future>

template <class Result>
class OrderedWork {
public:
    // take() gets each result in order; it returns false to stop the job.
    explicit OrderedWork(std::function<bool(Result&)> take)
        : m_take(std::move(take)), m_depth(std::max(1, QThread::idealThreadCount()))
    {
    }
    OrderedWork(const OrderedWork&) = delete;
    OrderedWork& operator=(const OrderedWork&) = delete;
    // The futures wait for their pieces as they go, so nothing runs on after a stopped job.
    ~OrderedWork() = default;

    // Starts one piece once a core is free for it; false when the job has stopped.
    bool add(std::function<Result()> piece)
    {
        if (int(m_running.size()) >= m_depth && !takeFirst())
            return false;
        m_running.push_back(std::async(std::launch::async, std::move(piece)));
        return true;
    }

    // Takes every result still running; false when the job stopped.
    bool finish()
    {
        while (!m_running.empty())
            if (!takeFirst())
                return false;
        return true;
    }

private:
    bool takeFirst()
    {
        Result result = m_running.front().get();
        m_running.pop_front();
        return m_take(result);
    }

    std::function<bool(Result&)> m_take;
    int m_depth;
    std::deque<std::future<Result>> m_running;
};
