#pragma once

#include <QDBusConnection>
#include <QObject>

namespace Parcella {

// Tells when the computer wakes from sleep (logind's PrepareForSleep(false)); silent where no
// logind answers.
class WakeObserver : public QObject {
    Q_OBJECT

public:
    explicit WakeObserver(QDBusConnection systemBus = QDBusConnection::systemBus(),
                          QObject* parent = nullptr);

signals:
    void woke();

private slots:
    void prepareForSleep(bool sleeping);
};

} // namespace Parcella
