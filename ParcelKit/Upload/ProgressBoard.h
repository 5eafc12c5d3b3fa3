#pragma once

#include "Locked.h"

#include <QHash>
#include <QUuid>

#include <functional>

namespace ParcelKit {

// Bytes sent so far of every part on the wire, per item. Written from the network thread as
// bodies go out and from part tasks, read by the queue's progress tick; one lock guards it all.
class ProgressBoard {
public:
    ProgressBoard() = default;
    ProgressBoard(const ProgressBoard&) = delete;
    ProgressBoard& operator=(const ProgressBoard&) = delete;

    // The bytes of the current attempt of a part, never summed across attempts.
    void setBytes(const QUuid& item, int part, qint64 bytes);
    // Leaves the item's entry in place, possibly empty.
    void removePart(const QUuid& item, int part);
    void clear(const QUuid& item);
    // 0 for an unknown item.
    qint64 total(const QUuid& item) const;

    // A send-progress callback for one attempt of a part (HTTP::ProgressCallback); the board must
    // outlive the request.
    std::function<void(qint64)> reporter(QUuid item, int part);

private:
    Locked<QHash<QUuid, QHash<int, qint64>>> m_inFlight;
};

} // namespace ParcelKit
