#pragma once

#include <QCoroTask>
#include <QDBusConnection>
#include <QHash>
#include <QObject>
#include <QUrl>

#include <optional>

namespace Parcella {

// Desktop notifications over org.freedesktop.Notifications; a click on one that carries a link
// opens the link in the default browser. Without a notification server, posts are dropped.
class Notifier : public QObject {
    Q_OBJECT

public:
    explicit Notifier(QObject* parent = nullptr);

    // Linux has no permission prompt: this only checks that a notification server answers.
    QCoro::Task<void> requestPermission();
    void post(const QString& title, const QString& body, const std::optional<QUrl>& url = {});

private slots:
    void actionInvoked(uint id, const QString& action);
    void notificationClosed(uint id, uint reason);

private:
    void learnCapabilities();

    QDBusConnection m_bus;
    // Links of the shown notifications by the server's id, until they are closed.
    QHash<uint, QUrl> m_links;
    // Servers that read markup in the body would take a file name like "a<b>" for markup.
    bool m_bodyMarkup = false;
};

} // namespace Parcella
