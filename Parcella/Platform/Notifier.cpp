#include "Notifier.h"

#include "Continuation.h"
#include "NotificationRequest.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDesktopServices>

namespace Parcella {

namespace {

const QString service = QStringLiteral("org.freedesktop.Notifications");
const QString path = QStringLiteral("/org/freedesktop/Notifications");
const QString interface = QStringLiteral("org.freedesktop.Notifications");
const QString defaultAction = QStringLiteral("default");

QDBusMessage call(const QString& method, const QVariantList& arguments = {}) {
    auto message = QDBusMessage::createMethodCall(service, path, interface, method);
    message.setArguments(arguments);
    return message;
}

} // namespace

Notifier::Notifier(QObject* parent) : QObject(parent), m_bus(QDBusConnection::sessionBus()) {
    if (!m_bus.isConnected())
        return;
    m_bus.connect(service, path, interface, QStringLiteral("ActionInvoked"), this,
                  SLOT(actionInvoked(uint, QString)));
    m_bus.connect(service, path, interface, QStringLiteral("NotificationClosed"), this,
                  SLOT(notificationClosed(uint, uint)));
    learnCapabilities();
}

QCoro::Task<void> Notifier::requestPermission() {
    if (!m_bus.isConnected())
        co_return;
    QPointer<QDBusPendingCallWatcher> watcher =
        new QDBusPendingCallWatcher(m_bus.asyncCall(call(QStringLiteral("GetServerInformation"))));
    auto registration = [watcher](ParcelKit::Continuation<> continuation) {
        QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                         [continuation](QDBusPendingCallWatcher* finished) {
                             finished->deleteLater();
                             continuation.resume();
                         });
    };
    co_await ParcelKit::suspend<void>(std::stop_token{}, std::move(registration));
}

void Notifier::learnCapabilities() {
    auto* watcher =
        new QDBusPendingCallWatcher(m_bus.asyncCall(call(QStringLiteral("GetCapabilities"))), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        const QDBusPendingReply<QStringList> reply = *w;
        w->deleteLater();
        if (reply.isValid())
            m_bodyMarkup = reply.value().contains(QStringLiteral("body-markup"));
    });
}

void Notifier::post(const QString& title, const QString& body, const std::optional<QUrl>& url) {
    if (!m_bus.isConnected())
        return;
    QStringList actions;
    if (url && url->isValid())
        actions << defaultAction << tr("Open");
    const QVariantMap hints{{QStringLiteral("desktop-entry"), QStringLiteral("parcella")}};
    const auto message = call(QStringLiteral("Notify"),
                              {QStringLiteral("Parcella"), 0u, QString(), title,
                               m_bodyMarkup ? body.toHtmlEscaped() : body, actions, hints, -1});
    auto* request = new NotificationRequest(url.value_or(QUrl()), this);
    connect(request, &NotificationRequest::shown, this, [this](uint id, const QUrl& link) {
        if (link.isValid())
            m_links.insert(id, link);
    });
    if (!m_bus.callWithCallback(message, request, SLOT(answered(uint)), SLOT(failed(QDBusError))))
        delete request;
}

void Notifier::actionInvoked(uint id, const QString& action) {
    if (action != defaultAction)
        return;
    const auto link = m_links.constFind(id);
    if (link != m_links.constEnd())
        QDesktopServices::openUrl(*link);
}

void Notifier::notificationClosed(uint id, uint) {
    m_links.remove(id);
}

} // namespace Parcella
