#pragma once

#include <QDBusError>
#include <QObject>
#include <QUrl>

namespace Parcella {

// One Notify call in flight with the link its notification carries. The server's answer comes
// to this object as a posted D-Bus event, in the order of the bus's messages, so the notifier
// knows the id before any ActionInvoked for it (a pending-call watcher adds a hop and loses that
// order). Deletes itself once answered.
class NotificationRequest : public QObject {
    Q_OBJECT

public:
    NotificationRequest(QUrl link, QObject* parent);

signals:
    void shown(uint id, const QUrl& link);

public slots:
    void answered(uint id);
    void failed(const QDBusError& error);

private:
    QUrl m_link;
};

} // namespace Parcella
