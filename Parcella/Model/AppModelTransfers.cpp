// What AppModel does to the recent transfers: copy a link, change an expiry, delete.
#include "AppModel.h"

#include "Cancelled.h"
#include "Sleep.h"

#include <QClipboard>
#include <QGuiApplication>

namespace Parcella {

using namespace ParcelKit;

namespace {
constexpr std::chrono::seconds copiedFor{2};
} // namespace

QCoro::Task<void> AppModel::changeExpiry(Transfer transfer, qint64 days, std::stop_token token) {
    const auto chosen = workspace();
    if (!chosen)
        co_return;
    QPointer<AppModel> alive(this);
    try {
        const Transfer updated =
            co_await m_api.changeExpiry(transfer.id, chosen->id, days, within(token));
        if (alive)
            replace(updated);
    } catch (...) {
        if (alive)
            report(std::current_exception());
    }
}

QCoro::Task<void> AppModel::deleteTransfer(Transfer transfer, std::stop_token token) {
    const auto chosen = workspace();
    if (!chosen)
        co_return;
    QPointer<AppModel> alive(this);
    try {
        co_await m_api.deleteTransfer(transfer.id, chosen->id, within(token));
        if (!alive)
            co_return;
        if (m_lastCreated && m_lastCreated->id == transfer.id)
            setLastCreated(std::nullopt);
        // The list keeps the transfer, shown in its deleted state.
        const Transfer updated = co_await m_api.transfer(transfer.id, chosen->id, within(token));
        if (alive)
            replace(updated);
    } catch (...) {
        if (alive)
            report(std::current_exception());
    }
}

void AppModel::replace(const Transfer& transfer) {
    QList<Transfer> transfers = m_transfers;
    for (Transfer& entry : transfers) {
        if (entry.id == transfer.id) {
            entry = transfer;
            break;
        }
    }
    setTransfers(transfers);
    if (m_lastCreated && m_lastCreated->id == transfer.id)
        setLastCreated(transfer);
}

void AppModel::copyLink(const Transfer& transfer) {
    if (!transfer.url)
        return;
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        QClipboard* clipboard = QGuiApplication::clipboard();
        clipboard->clear();
        clipboard->setText(transfer.url->toString(QUrl::FullyEncoded));
    }
    setCopiedTransferID(transfer.id);
    const QString id = transfer.id;
    startChore([this, id](std::stop_token token) { return resetCopied(id, token); });
}

QCoro::Task<void> AppModel::resetCopied(QString id, std::stop_token token) {
    QPointer<AppModel> alive(this);
    try {
        co_await sleepFor(copiedFor, token);
    } catch (const Cancelled&) {
    }
    // A later copy of another link keeps its own two seconds.
    if (alive && m_copiedTransferID == id)
        setCopiedTransferID(std::nullopt);
}

} // namespace Parcella
