#include "TransferActions.h"

#include "AppModel.h"

#include <QDesktopServices>

namespace Parcella {

using ParcelKit::TaskHandle;
using ParcelKit::Transfer;

TransferActions::TransferActions(AppModel& model, QObject* parent)
    : QObject(parent), m_model(model) {}

std::optional<Transfer> TransferActions::find(const QString& transferID) const {
    for (const Transfer& transfer : m_model.transfers())
        if (transfer.id == transferID)
            return transfer;
    return std::nullopt;
}

void TransferActions::openDownloadPage(const QString& transferID) {
    if (const auto transfer = find(transferID); transfer && transfer->url)
        QDesktopServices::openUrl(*transfer->url);
}

void TransferActions::changeExpiry(const QString& transferID, int days) {
    if (auto transfer = find(transferID))
        TaskHandle<void>::start(
            [model = &m_model, transfer = std::move(*transfer), days](std::stop_token) {
                return model->changeExpiry(transfer, days);
            });
}

void TransferActions::deleteTransfer(const QString& transferID) {
    if (auto transfer = find(transferID))
        TaskHandle<void>::start([model = &m_model, transfer = std::move(*transfer)](
                                    std::stop_token) { return model->deleteTransfer(transfer); });
}

} // namespace Parcella
