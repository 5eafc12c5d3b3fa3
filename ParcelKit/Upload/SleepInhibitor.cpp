#include "SleepInhibitor.h"

#include "EngineText.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusUnixFileDescriptor>

#include <optional>

namespace ParcelKit {

struct SleepInhibitor::State {
    bool wanted = false;
    bool requesting = false;
    std::optional<QDBusUnixFileDescriptor> lock;
};

SleepInhibitor::SleepInhibitor(QDBusConnection systemBus)
    : m_bus(std::move(systemBus)), m_state(std::make_shared<State>()) {}

SleepInhibitor::~SleepInhibitor() = default;

void SleepInhibitor::setHeld(bool held) {
    if (m_state->wanted == held)
        return;
    m_state->wanted = held;
    if (!held)
        m_state->lock.reset();
    else if (!m_state->lock && !m_state->requesting)
        request();
}

bool SleepInhibitor::isHeld() const {
    return m_state->wanted;
}

bool SleepInhibitor::holdsLock() const {
    return m_state->lock.has_value();
}

void SleepInhibitor::request() {
    if (!m_bus.isConnected())
        return;
    auto call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
        QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("Inhibit"));
    call << QStringLiteral("sleep:idle") << QStringLiteral("Parcella")
         << EngineText::tr("Uploading files to Parcella") << QStringLiteral("block");
    m_state->requesting = true;
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call));
    std::weak_ptr<State> weakState = m_state;
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                     [weakState](QDBusPendingCallWatcher* finished) {
                         finished->deleteLater();
                         const QDBusPendingReply<QDBusUnixFileDescriptor> reply = *finished;
                         auto state = weakState.lock();
                         if (!state)
                             return;
                         state->requesting = false;
                         if (!state->wanted || reply.isError() || !reply.value().isValid())
                             return;
                         state->lock = reply.value();
                     });
}

} // namespace ParcelKit
