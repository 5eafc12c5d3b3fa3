#pragma once

#include <QObject>
#include <QThread>

#include <functional>
#include <memory>
#include <vector>

namespace ParcelKit::Testing {

// Threads that each run an event loop, for starting coroutines on several threads at once.
// Destroying the set stops the loops and joins the threads.
class EventLoopThreads {
public:
    explicit EventLoopThreads(int count);
    ~EventLoopThreads();
    EventLoopThreads(const EventLoopThreads&) = delete;
    EventLoopThreads& operator=(const EventLoopThreads&) = delete;

    int count() const { return int(m_threads.size()); }
    // An object living on thread `index`; work posted to it runs on that thread's loop.
    QObject* host(int index) const { return m_hosts.at(index).get(); }
    void post(int index, std::function<void()> work) const;

private:
    std::vector<std::unique_ptr<QThread>> m_threads;
    std::vector<std::unique_ptr<QObject>> m_hosts;
};

} // namespace ParcelKit::Testing
