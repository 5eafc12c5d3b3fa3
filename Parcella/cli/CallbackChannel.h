#pragma once

#include <QLocalServer>
#include <QObject>
#include <QUrl>

namespace Parcella {

// The per-user local socket a waiting login listens on. The parcella: scheme handler starts
// `parcella-cli open-url URL`, which hands the callback over through it and exits.
class CallbackChannel : public QObject {
    Q_OBJECT

public:
    static QString socketName();

    // Listens; false when another login is already listening.
    bool listen();
    // Hands `url` to a listening login; false when none listens.
    static bool deliver(const QUrl& url);

signals:
    void received(const QUrl& url);

private:
    QLocalServer m_server;
};

} // namespace Parcella
