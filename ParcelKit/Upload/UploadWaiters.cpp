#include "UploadWaiters.h"

#include "Cancelled.h"

namespace ParcelKit {

using Case = UploadState::Case;

std::optional<UploadWaiters::Answer>
UploadWaiters::evaluate(const QList<QUuid>& ids, const Find& find,
                        const QHash<QUuid, ParcelKitError>& errors) {
    // Asked after every change of the list: the ids are collected only once all have finished.
    bool pending = false;
    for (const QUuid& id : ids) {
        const UploadItem* const item = find(id);
        if (!item)
            return std::make_exception_ptr(Cancelled{});
        const UploadState& state = item->state;
        switch (state.kind()) {
        case Case::finished:
            break;
        case Case::failed: {
            const auto error = errors.constFind(id);
            if (error != errors.cend())
                return std::make_exception_ptr(*error);
            return std::make_exception_ptr(
                ParcelKitError::network(state.failureMessage().value_or(QString())));
        }
        case Case::cancelled:
            return std::make_exception_ptr(Cancelled{});
        case Case::queued:
        case Case::uploading:
            pending = true;
            break;
        }
    }
    if (pending)
        return std::nullopt;
    QStringList uploadIDs;
    uploadIDs.reserve(ids.size());
    for (const QUuid& id : ids)
        uploadIDs.append(*find(id)->state.uploadID());
    return uploadIDs;
}

void UploadWaiters::add(const QUuid& waiter, QList<QUuid> ids,
                        Continuation<QStringList> continuation) {
    m_waiters.insert(waiter, {std::move(ids), std::move(continuation)});
}

void UploadWaiters::cancel(const QUuid& waiter) {
    if (auto found = m_waiters.find(waiter); found != m_waiters.end()) {
        const auto continuation = found->continuation;
        m_waiters.erase(found);
        continuation.fail(Cancelled{});
    }
}

void UploadWaiters::cancelAll() {
    const auto waiters = std::exchange(m_waiters, {});
    for (const auto& waiter : waiters)
        waiter.continuation.fail(Cancelled{});
}

void UploadWaiters::resolve(const Evaluate& evaluate) {
    QList<std::pair<Continuation<QStringList>, Answer>> answered;
    for (auto it = m_waiters.begin(); it != m_waiters.end();) {
        // A waiter whose caller was cancelled meanwhile is dropped; its removal is on its way.
        if (it->continuation.isResumed()) {
            it = m_waiters.erase(it);
            continue;
        }
        if (auto answer = evaluate(it->ids)) {
            answered.append({it->continuation, std::move(*answer)});
            it = m_waiters.erase(it);
        } else {
            ++it;
        }
    }
    for (auto& [continuation, answer] : answered)
        deliver(continuation, std::move(answer));
}

void UploadWaiters::deliver(const Continuation<QStringList>& continuation, Answer answer) {
    if (auto* ids = std::get_if<QStringList>(&answer))
        continuation.resume(std::move(*ids));
    else
        continuation.fail(std::get<std::exception_ptr>(answer));
}

} // namespace ParcelKit
