#include "EventLoopThreads.h"

namespace ParcelKit::Testing {

EventLoopThreads::EventLoopThreads(int count) {
    for (int i = 0; i < count; ++i) {
        m_threads.push_back(std::make_unique<QThread>());
        m_hosts.push_back(std::make_unique<QObject>());
        m_hosts.back()->moveToThread(m_threads.back().get());
        m_threads.back()->start();
    }
}

EventLoopThreads::~EventLoopThreads() {
    for (auto& thread : m_threads) {
        thread->quit();
        thread->wait();
    }
}

void EventLoopThreads::post(int index, std::function<void()> work) const {
    QMetaObject::invokeMethod(host(index), std::move(work), Qt::QueuedConnection);
}

} // namespace ParcelKit::Testing
