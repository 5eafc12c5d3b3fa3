#pragma once

#include "Continuation.h"
#include "ParcelKitError.h"
#include "UploadItem.h"

#include <QHash>
#include <QList>
#include <QStringList>
#include <QUuid>

#include <exception>
#include <functional>
#include <optional>
#include <variant>

namespace ParcelKit {

// The callers of UploadQueue::uploadIDs that still wait for their items. Main thread only.
class UploadWaiters {
public:
    // The service upload ids of the items, or the error that ends the wait.
    using Answer = std::variant<QStringList, std::exception_ptr>;
    // The answer for a list of item ids, or none while some item is still pending.
    using Evaluate = std::function<std::optional<Answer>(const QList<QUuid>&)>;

    using Find = std::function<const UploadItem*(const QUuid&)>;

    // The ids' service upload ids once all are finished; the error of the first failed one
    // (`errors`, else a network error with its message); Cancelled for the first cancelled or
    // missing one; none while some are queued or uploading (paused ones too).
    static std::optional<Answer> evaluate(const QList<QUuid>& ids, const Find& find,
                                          const QHash<QUuid, ParcelKitError>& errors);

    void add(const QUuid& waiter, QList<QUuid> ids, Continuation<QStringList> continuation);
    // Forgets the waiter; one that still waited fails with Cancelled.
    void cancel(const QUuid& waiter);
    void cancelAll();
    // Answers and forgets every waiter whose items are settled.
    void resolve(const Evaluate& evaluate);

    qsizetype count() const { return m_waiters.size(); }

    static void deliver(const Continuation<QStringList>& continuation, Answer answer);

private:
    struct Waiter {
        QList<QUuid> ids;
        Continuation<QStringList> continuation;
    };
    QHash<QUuid, Waiter> m_waiters;
};

} // namespace ParcelKit
