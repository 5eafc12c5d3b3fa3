#pragma once

#include "UploadedPart.h"

#include <QList>
#include <QString>

#include <optional>

namespace ParcelKit {

// How a file of `byteCount` bytes is cut into parts of `partSize` bytes: part n (from 1) starts at
// (n - 1) * partSize; the last one may be shorter. An empty file has one part of 0 bytes.
class PartLayout {
public:
    // The most bytes a file may have (decimal 100 GB; exactly this is allowed).
    static constexpr qint64 maxByteCount = 100'000'000'000;
    static constexpr qint64 defaultPartSize = 16'777'216;
    static constexpr int maxPartCount = 1000;

    // Throws ParcelKitError::validation with problem()'s message for a layout that cannot be.
    PartLayout(qint64 byteCount, qint64 partSize);

    // Why `byteCount` bytes cannot be cut into parts of `partSize`: a part size below 1, or more
    // than 1000 parts (resuming lists the stored parts in one request of at most 1000). None
    // when the layout is fine.
    static std::optional<QString> problem(qint64 byteCount, qint64 partSize,
                                          const QString& filename);

    // `override` when given, otherwise 16 MiB, or more for files so large that 16 MiB parts would
    // make more than 1000 of them. Throws ParcelKitError::validation for an override below 1.
    static qint64 partSize(qint64 byteCount, std::optional<qint64> override = std::nullopt);

    qint64 byteCount() const { return m_byteCount; }
    qint64 partSize() const { return m_partSize; }
    int partCount() const;
    qint64 offset(int partNumber) const;
    // 0 for part numbers outside the file.
    qint64 length(int partNumber) const;

    // The listed parts that belong to this layout (number in range, expected size), in listing
    // order.
    QList<UploadedPart> reconciled(const QList<UploadedPart>& listed) const;
    // Part numbers from 1 to the part count, ascending, that `stored` does not hold.
    QList<int> missing(const QList<UploadedPart>& stored) const;

private:
    qint64 m_byteCount;
    qint64 m_partSize;
};

} // namespace ParcelKit
