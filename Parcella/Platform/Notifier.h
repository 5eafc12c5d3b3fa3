#pragma once

#include <QCoroTask>
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
};

} // namespace Parcella
