// Pausing uploads, by the user and while the network is metered.
#include "AppModel.h"

namespace Parcella {

namespace {

const QString meteredKey = QStringLiteral("uploadsOnMeteredConnections");

} // namespace

void AppModel::watchMetering() {
    m_queue->setPausesOnMeteredNetworks(!uploadsOnMeteredConnections());
    connect(m_queue.get(), &ParcelKit::UploadQueue::heldByMeteredNetworkChanged, this, [this] {
        emit isPausedByMeteringChanged();
        refreshDerived();
    });
}

bool AppModel::isPausedByMetering() const {
    return m_queue->isHeldByMeteredNetwork();
}

bool AppModel::uploadsOnMeteredConnections() const {
    return m_settings->value(meteredKey, false).toBool();
}

void AppModel::setUploadsOnMeteredConnections(bool allowed) {
    if (allowed == uploadsOnMeteredConnections())
        return;
    m_settings->setValue(meteredKey, allowed);
    emit uploadsOnMeteredConnectionsChanged();
    m_queue->setPausesOnMeteredNetworks(!allowed);
}

void AppModel::pauseUpload(const QUuid& id) {
    m_queue->pause(id);
}

void AppModel::resumeUpload(const QUuid& id) {
    m_queue->resume(id);
}

void AppModel::pauseAll() {
    m_queue->pauseAll();
}

void AppModel::resumeAll() {
    m_queue->resumeAll();
}

} // namespace Parcella
