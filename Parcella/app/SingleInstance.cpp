#include "SingleInstance.h"

#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>

namespace Parcella {

namespace {

constexpr int waitMs = 5000;
constexpr qint64 maxMessageBytes = 1024 * 1024;
const QByteArray acknowledgement = "ok\n";

} // namespace

SingleInstance::SingleInstance(QString socketPath, QObject* parent)
    : QObject(parent), m_socketPath(std::move(socketPath)) {
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = m_server.nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readFrom(socket); });
        }
    });
}

QString SingleInstance::defaultSocketPath() {
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation) +
           QStringLiteral("/parcella-instance");
}

bool SingleInstance::fits(const LaunchArguments& arguments) {
    // The line and its end must stay below what the instance reads as one message.
    return arguments.encoded().size() + 1 < maxMessageBytes;
}

SingleInstance::Outcome SingleInstance::claim(const LaunchArguments& arguments) {
    // Two starts at once must not both find no instance and both become one.
    QLockFile lock(m_socketPath + QStringLiteral(".lock"));
    if (!lock.tryLock(waitMs))
        return Outcome::failed;
    QLocalSocket probe;
    probe.connectToServer(m_socketPath);
    if (probe.waitForConnected(waitMs))
        return forward(probe, arguments) ? Outcome::forwarded : Outcome::failed;
    // Nobody answers: the socket file, if any, is left from an instance that crashed.
    QLocalServer::removeServer(m_socketPath);
    return m_server.listen(m_socketPath) ? Outcome::primary : Outcome::failed;
}

bool SingleInstance::forward(QLocalSocket& socket, const LaunchArguments& arguments) {
    socket.write(arguments.encoded() + '\n');
    if (!socket.waitForBytesWritten(waitMs))
        return false;
    // The answer tells that the instance took the arguments, not merely that a socket was there.
    while (!socket.canReadLine()) {
        if (!socket.waitForReadyRead(waitMs))
            return false;
    }
    return socket.readLine(acknowledgement.size() + 1) == acknowledgement;
}

void SingleInstance::readFrom(QLocalSocket* socket) {
    if (!socket->canReadLine()) {
        if (socket->bytesAvailable() > maxMessageBytes)
            socket->abort();
        return;
    }
    const auto arguments = LaunchArguments::decoded(socket->readLine(maxMessageBytes).trimmed());
    if (arguments)
        socket->write(acknowledgement);
    socket->disconnectFromServer();
    if (arguments)
        emit received(*arguments);
}

} // namespace Parcella
