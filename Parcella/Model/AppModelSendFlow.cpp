// The send flow of AppModel: from the send button through the wait for the uploads to the
// created transfer, with the pending send kept on disk meanwhile.
#include "AppModel.h"

#include "AppText.h"
#include "DisplayName.h"
#include "Notifier.h"

#include "Cancelled.h"
#include "KeychainError.h"

#include <QtConcurrent>

namespace Parcella {

using namespace ParcelKit;

void AppModel::restorePending() {
    m_pending = m_pendingStore.load();
    if (m_pending)
        m_pendingPassword = m_pendingStore.readPassword().value_or(QString());
}

void AppModel::dropPending() {
    setPending(std::nullopt);
    m_pendingPassword.clear();
    const PendingSendStore store = m_pendingStore;
    m_storeWriter.start([store] { store.clear(); });
}

void AppModel::persistPending() {
    if (!m_pending)
        return;
    const PendingSendStore store = m_pendingStore;
    const PendingSend pending = *m_pending;
    const std::optional<QString> password =
        pending.protection == Protection::password && !m_pendingPassword.isEmpty()
            ? std::optional<QString>(m_pendingPassword)
            : std::nullopt;
    auto write = [store, pending, password] {
        bool kept = store.save(pending);
        store.removePassword();
        try {
            if (password)
                store.writePassword(*password);
        } catch (const KeychainError&) {
            kept = false;
        }
        return kept;
    };
    // The send goes on from memory either way.
    QtConcurrent::run(&m_storeWriter, std::move(write)).then(this, [this](bool kept) {
        if (!kept)
            setNotice(
                appText("This transfer can’t be kept if the app quits before the uploads finish."));
    });
}

QCoro::Task<void> AppModel::send() {
    const auto chosen = workspace();
    if (!canSend() || !chosen)
        co_return;
    setNotice(std::nullopt);
    QList<QUuid> cancelled;
    for (const UploadItem& item : m_lists.uploads)
        if (item.state.kind() == UploadState::Case::cancelled)
            cancelled.append(item.id);
    if (!cancelled.isEmpty()) {
        m_queue->remove(cancelled);
        refreshDerived();
    }

    PendingSend pending;
    for (const UploadItem& item : m_lists.visibleUploads)
        pending.itemIDs.append(item.id);
    pending.workspaceID = chosen->id;
    pending.delivery = m_form.delivery;
    pending.recipients = m_form.recipients;
    pending.subject = m_form.subject;
    pending.message = m_form.message;
    pending.expiresInDays = m_form.expiresInDays;
    pending.protection = m_form.protection;
    pending.allowedEmails = m_form.allowedEmails;
    m_pendingPassword = m_form.password;
    setPending(pending);
    persistPending();

    SendForm next;
    next.delivery = m_form.delivery;
    next.expiresInDays = m_form.expiresInDays;
    setForm(next);
    resumePendingSend();
    // Asked at the first send, when the user sees why.
    co_await m_notifier->requestPermission();
}

void AppModel::resumePendingSend() {
    if (!m_pending || !m_auth.isSignedIn() || m_isSending)
        return;
    // Cleared first: a task that ends before start() returns must find no other task current.
    m_sendTask = {};
    m_sendTask =
        TaskHandle<void>::start([this](std::stop_token token) { return runPendingSend(token); });
}

void AppModel::endSending(const std::stop_token& token) {
    if (!m_sendTask.isValid() || m_sendTask.token() == token)
        setSending(false);
}

QCoro::Task<void> AppModel::runPendingSend(std::stop_token token) {
    QPointer<AppModel> alive(this);
    setSending(true);
    setNotice(std::nullopt);
    const std::optional<QStringList> uploadIDs = co_await waitForUploads(token);
    if (!alive)
        co_return;
    if (!uploadIDs || !m_pending || token.stop_requested()) {
        endSending(token);
        co_return;
    }
    const PendingSend pending = *m_pending;
    const NewTransfer body = pending.form(m_pendingPassword).newTransfer(*uploadIDs);
    Transfer transfer;
    try {
        transfer = co_await m_api.createTransfer(body, pending.workspaceID, token);
    } catch (...) {
        if (!alive)
            co_return;
        // The pending send stays, on disk too, for "Try again" or the next start.
        report(std::current_exception());
        endSending(token);
        co_return;
    }
    if (!alive)
        co_return;
    m_queue->remove(pending.itemIDs);
    dropPending();
    didCreate(transfer);
    endSending(token);
}

QCoro::Task<std::optional<QStringList>> AppModel::waitForUploads(std::stop_token token) {
    QPointer<AppModel> alive(this);
    while (!token.stop_requested() && m_pending) {
        const Timestamp now = Timestamp::now();
        QList<QUuid> kept;
        QList<QUuid> cancelled;
        for (const UploadItem& item : m_lists.pendingItems) {
            if (item.state.kind() == UploadState::Case::cancelled)
                cancelled.append(item.id);
            else if (UploadLists::isExpired(item, now))
                setNotice(
                    appText("«%1» expired before it was sent. Add it again.").arg(item.filename));
            else
                kept.append(item.id);
        }
        if (!cancelled.isEmpty())
            m_queue->remove(cancelled);
        if (kept.isEmpty()) {
            dropPending();
            co_return std::nullopt;
        }
        if (kept != m_pending->itemIDs) {
            PendingSend pending = *m_pending;
            pending.itemIDs = kept;
            setPending(pending);
            persistPending();
        }
        try {
            const QStringList ids = co_await m_queue->uploadIDs(kept, token);
            co_return ids;
        } catch (const Cancelled&) {
            // An item was cancelled or removed meanwhile: look again.
            if (!alive)
                co_return std::nullopt;
        } catch (...) {
            if (alive)
                report(std::current_exception());
            co_return std::nullopt;
        }
    }
    co_return std::nullopt;
}

void AppModel::didCreate(const Transfer& transfer) {
    m_watcher.remember(transfer);
    setLastCreated(transfer);
    QList<Transfer> transfers = m_transfers;
    transfers.removeIf([&](const Transfer& entry) { return entry.id == transfer.id; });
    transfers.prepend(transfer);
    setTransfers(transfers);
    if (transfer.delivery == Delivery::link && transfer.url) {
        copyLink(transfer);
        m_notifier->post(appText("Link copied"), displayName(transfer), transfer.url);
    } else {
        m_notifier->post(appText("Transfer sent"), displayName(transfer), transfer.url);
    }
}

void AppModel::discardPendingSend() {
    if (!m_pending)
        return;
    m_sendTask.cancel();
    m_sendTask = {};
    // Not busy from now on, though the task ends a turn later: a send right away must start.
    setSending(false);
    // With no other files waiting, the user can edit and send the same files again.
    if (m_lists.uploads.isEmpty())
        setForm(m_pending->form(m_pendingPassword));
    dropPending();
}

} // namespace Parcella
