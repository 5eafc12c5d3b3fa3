#include "CallbackChannel.h"

#include <QLocalSocket>

#include <unistd.h>

namespace Parcella {

QString CallbackChannel::socketName() {
    return QStringLiteral("parcella-cli-callback-%1").arg(::getuid());
}

bool CallbackChannel::listen() {
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server.listen(socketName())) {
        // A socket file left by a crashed login blocks the name; a live one answers connects.
        QLocalSocket probe;
        probe.connectToServer(socketName());
        if (probe.waitForConnected(200))
            return false;
        QLocalServer::removeServer(socketName());
        if (!m_server.listen(socketName()))
            return false;
    }
    connect(&m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = m_server.nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
                if (!socket->canReadLine())
                    return;
                const QUrl url(QString::fromUtf8(socket->readLine(64 * 1024)).trimmed());
                socket->disconnectFromServer();
                if (url.isValid())
                    emit received(url);
            });
        }
    });
    return true;
}

bool CallbackChannel::deliver(const QUrl& url) {
    QLocalSocket socket;
    socket.connectToServer(socketName());
    if (!socket.waitForConnected(2000))
        return false;
    socket.write(url.toEncoded() + '\n');
    return socket.waitForBytesWritten(2000);
}

} // namespace Parcella
