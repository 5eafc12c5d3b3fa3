#pragma once

#include <QDBusConnection>

#include <memory>

namespace ParcelKit {

// Keeps the computer from idle sleep while uploads are pending: a logind "sleep:idle" block lock
// on the system bus. The lock is the file descriptor logind hands back; closing it releases the
// lock. Without logind (or a system bus) it silently does nothing. Main thread only; the call to
// logind never blocks.
class SleepInhibitor {
public:
    explicit SleepInhibitor(QDBusConnection systemBus = QDBusConnection::systemBus());
    // Releases the lock.
    ~SleepInhibitor();
    SleepInhibitor(const SleepInhibitor&) = delete;
    SleepInhibitor& operator=(const SleepInhibitor&) = delete;

    // Takes the lock when `held` and none is held or requested; releases it otherwise. A lock that
    // arrives after it stopped being wanted is released at once.
    void setHeld(bool held);
    bool isHeld() const;
    // Whether logind granted the lock and it is held now.
    bool holdsLock() const;

private:
    struct State;
    void request();

    QDBusConnection m_bus;
    std::shared_ptr<State> m_state;
};

} // namespace ParcelKit
