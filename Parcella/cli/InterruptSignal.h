#pragma once

#include <QObject>
#include <QSocketNotifier>

#include <memory>
#include <stop_token>

namespace Parcella {

// Turns SIGINT and SIGTERM into a stop request on the main thread (through a self-pipe, since a
// signal handler may do almost nothing), so Ctrl-C ends a command cleanly.
class InterruptSignal : public QObject {
    Q_OBJECT

public:
    InterruptSignal();
    ~InterruptSignal() override;

    std::stop_token token() const { return m_source.get_token(); }
    bool wasInterrupted() const { return m_source.stop_requested(); }

private:
    std::stop_source m_source;
    std::unique_ptr<QSocketNotifier> m_notifier;
};

} // namespace Parcella
