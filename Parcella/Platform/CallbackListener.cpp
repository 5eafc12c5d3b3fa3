#include "CallbackListener.h"

#include <QCryptographicHash>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QUrlQuery>

namespace Parcella {

namespace {

constexpr qint64 maxCallbackBytes = 64 * 1024;
constexpr int socketWaitMs = 2000;

} // namespace

CallbackListener::CallbackListener(QString state, QObject* parent)
    : QObject(parent), m_state(std::move(state)) {
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = m_server.nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readFrom(socket); });
        }
    });
}

QString CallbackListener::socketPath(const QString& state) {
    // The state comes from whoever calls the handler; hashed, it can only name a file here.
    const auto digest = QCryptographicHash::hash(state.toUtf8(), QCryptographicHash::Sha256);
    return QStringLiteral("%1/parcella-sign-in-%2")
        .arg(QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation),
             QString::fromLatin1(digest.toHex().left(32)));
}

QString CallbackListener::stateOf(const QUrl& callback) {
    return QUrlQuery(callback).queryItemValue(QStringLiteral("state"), QUrl::FullyDecoded);
}

bool CallbackListener::listen() {
    if (m_state.isEmpty())
        return false;
    // States are fresh random values: a file under this name is left from a crashed process.
    QLocalServer::removeServer(socketPath(m_state));
    return m_server.listen(socketPath(m_state));
}

void CallbackListener::readFrom(QLocalSocket* socket) {
    if (!socket->canReadLine()) {
        if (socket->bytesAvailable() > maxCallbackBytes)
            socket->abort();
        return;
    }
    const QUrl callback(QString::fromUtf8(socket->readLine(maxCallbackBytes)).trimmed(),
                        QUrl::StrictMode);
    socket->disconnectFromServer();
    if (callback.isValid() && stateOf(callback) == m_state)
        emit received(callback);
}

bool CallbackListener::deliver(const QUrl& callback) {
    const QString state = stateOf(callback);
    if (state.isEmpty() || !callback.isValid())
        return false;
    QLocalSocket socket;
    socket.connectToServer(socketPath(state));
    if (!socket.waitForConnected(socketWaitMs))
        return false;
    socket.write(callback.toEncoded() + '\n');
    if (!socket.waitForBytesWritten(socketWaitMs))
        return false;
    socket.disconnectFromServer();
    return true;
}

} // namespace Parcella
