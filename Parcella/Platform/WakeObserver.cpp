#include "WakeObserver.h"

namespace Parcella {

WakeObserver::WakeObserver(QDBusConnection systemBus, QObject* parent) : QObject(parent) {
    // Naming logind as the sender keeps other clients of the bus from faking a wake.
    systemBus.connect(QStringLiteral("org.freedesktop.login1"),
                      QStringLiteral("/org/freedesktop/login1"),
                      QStringLiteral("org.freedesktop.login1.Manager"),
                      QStringLiteral("PrepareForSleep"), this, SLOT(prepareForSleep(bool)));
}

void WakeObserver::prepareForSleep(bool sleeping) {
    if (!sleeping)
        emit woke();
}

} // namespace Parcella
