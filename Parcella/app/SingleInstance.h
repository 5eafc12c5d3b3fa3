#pragma once

#include "LaunchArguments.h"

#include <QLocalServer>
#include <QObject>

namespace Parcella {

// One running `parcella` per user: the first one owns a user-only socket in the runtime folder,
// later ones hand their arguments over through it and exit.
class SingleInstance : public QObject {
    Q_OBJECT

public:
    enum class Outcome { primary, forwarded, failed };

    explicit SingleInstance(QString socketPath = defaultSocketPath(), QObject* parent = nullptr);

    // Becomes the running instance, or hands `arguments` to the one that runs. Blocks for a
    // bounded time: it runs before the event loop of a process that may exit right after.
    Outcome claim(const LaunchArguments& arguments);

    static QString defaultSocketPath();
    // Whether the arguments travel in one message; more files go in a shared batch.
    static bool fits(const LaunchArguments& arguments);

signals:
    // Arguments handed over by a later start.
    void received(const Parcella::LaunchArguments& arguments);

private:
    static bool forward(class QLocalSocket& socket, const LaunchArguments& arguments);
    void readFrom(class QLocalSocket* socket);

    QString m_socketPath;
    QLocalServer m_server;
};

} // namespace Parcella
