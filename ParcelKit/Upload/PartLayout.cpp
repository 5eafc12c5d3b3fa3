#include "PartLayout.h"

#include "ParcelKitError.h"
#include "UploadMessages.h"

#include <QSet>

#include <algorithm>

namespace ParcelKit {

PartLayout::PartLayout(qint64 byteCount, qint64 partSize)
    : m_byteCount(std::max<qint64>(byteCount, 0)), m_partSize(partSize) {
    if (const auto message = problem(byteCount, partSize, {}))
        throw ParcelKitError::validation(*message);
}

std::optional<QString> PartLayout::problem(qint64 byteCount, qint64 partSize,
                                           const QString& filename) {
    if (partSize < 1)
        return UploadMessages::partSizeTooSmall();
    // Counted without (byteCount + partSize - 1), which could overflow.
    const qint64 count = byteCount / partSize + (byteCount % partSize != 0 ? 1 : 0);
    if (count > maxPartCount)
        return UploadMessages::tooManyParts(filename, (byteCount - 1) / maxPartCount + 1);
    return std::nullopt;
}

qint64 PartLayout::partSize(qint64 byteCount, std::optional<qint64> override) {
    if (override) {
        if (*override < 1)
            throw ParcelKitError::validation(UploadMessages::partSizeTooSmall());
        return *override;
    }
    // ceil(size / 1000) once that exceeds 16 MiB, written so that it cannot overflow.
    if (byteCount > defaultPartSize * maxPartCount - maxPartCount)
        return (byteCount + maxPartCount - 1) / maxPartCount;
    return defaultPartSize;
}

int PartLayout::partCount() const {
    const qint64 count = m_byteCount / m_partSize + (m_byteCount % m_partSize != 0 ? 1 : 0);
    return int(std::max<qint64>(1, count));
}

qint64 PartLayout::offset(int partNumber) const {
    return qint64(partNumber - 1) * m_partSize;
}

qint64 PartLayout::length(int partNumber) const {
    if (partNumber < 1 || partNumber > partCount())
        return 0;
    return std::clamp<qint64>(m_byteCount - offset(partNumber), 0, m_partSize);
}

QList<UploadedPart> PartLayout::reconciled(const QList<UploadedPart>& listed) const {
    QList<UploadedPart> kept;
    const int count = partCount();
    for (const UploadedPart& part : listed) {
        if (part.partNumber >= 1 && part.partNumber <= count &&
            part.size == length(part.partNumber))
            kept.append(part);
    }
    return kept;
}

QList<int> PartLayout::missing(const QList<UploadedPart>& stored) const {
    QSet<int> present;
    for (const UploadedPart& part : stored)
        present.insert(part.partNumber);
    QList<int> numbers;
    for (int n = 1, count = partCount(); n <= count; ++n) {
        if (!present.contains(n))
            numbers.append(n);
    }
    return numbers;
}

} // namespace ParcelKit
