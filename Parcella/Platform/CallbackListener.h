#pragma once

#include <QLocalServer>
#include <QObject>
#include <QUrl>

namespace Parcella {

// One waiting sign-in's end of the callback route: a user-only socket in the runtime folder whose
// name comes from a hash of the sign-in's `state`, so the scheme handler (any process of this
// user) reaches the one sign-in that waits for that state and no other.
class CallbackListener : public QObject {
    Q_OBJECT

public:
    explicit CallbackListener(QString state, QObject* parent = nullptr);

    // False when the socket cannot be made.
    bool listen();

    // The `state` query item of a callback, empty when it has none.
    static QString stateOf(const QUrl& callback);
    // Hands `callback` to the listener of its state; false when none listens.
    static bool deliver(const QUrl& callback);

signals:
    // Only callbacks that carry this listener's state.
    void received(const QUrl& callback);

private:
    static QString socketPath(const QString& state);
    void readFrom(class QLocalSocket* socket);

    QString m_state;
    QLocalServer m_server;
};

} // namespace Parcella
