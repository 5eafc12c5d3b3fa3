#include "ProgressBoard.h"

namespace ParcelKit {

using Board = QHash<QUuid, QHash<int, qint64>>;

void ProgressBoard::setBytes(const QUuid& item, int part, qint64 bytes) {
    m_inFlight.withLock([&](Board& board) { board[item][part] = bytes; });
}

void ProgressBoard::removePart(const QUuid& item, int part) {
    m_inFlight.withLock([&](Board& board) {
        if (auto it = board.find(item); it != board.end())
            it->remove(part);
    });
}

void ProgressBoard::clear(const QUuid& item) {
    m_inFlight.withLock([&](Board& board) { board.remove(item); });
}

qint64 ProgressBoard::total(const QUuid& item) const {
    return m_inFlight.withLock([&](const Board& board) {
        qint64 sum = 0;
        if (auto it = board.constFind(item); it != board.constEnd())
            for (qint64 bytes : *it)
                sum += bytes;
        return sum;
    });
}

std::function<void(qint64)> ProgressBoard::reporter(QUuid item, int part) {
    return [this, item, part](qint64 totalBytesSent) { setBytes(item, part, totalBytesSent); };
}

} // namespace ParcelKit
