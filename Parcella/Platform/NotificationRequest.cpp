#include "NotificationRequest.h"

namespace Parcella {

NotificationRequest::NotificationRequest(QUrl link, QObject* parent)
    : QObject(parent), m_link(std::move(link)) {}

void NotificationRequest::answered(uint id) {
    emit shown(id, m_link);
    deleteLater();
}

void NotificationRequest::failed(const QDBusError&) {
    deleteLater();
}

} // namespace Parcella
