#pragma once

#include "UploadedPart.h"

#include <QByteArray>
#include <QCoroTask>
#include <QHash>
#include <QList>
#include <QSet>
#include <QString>

#include <optional>

namespace ParcelKit {

// The object storage's multipart documents. Pure functions, safe on any thread. The readers
// never throw: a body that is not the expected document (an HTML page, truncated XML) gives
// whatever could be collected before it went wrong, possibly nothing.
namespace S3XML {

using Record = QHash<QString, QString>;

// The CompleteMultipartUpload body, parts sorted by number.
QByteArray completeBody(const QList<UploadedPart>& parts);

// The trimmed text of the leaf elements named in `names`, the first occurrence of each winning.
// With `record`, one map per `record` element (only names inside it count); without, the whole
// document is one record, left out when nothing was found.
QList<Record> records(const QByteArray& data, const QSet<QString>& names,
                      const std::optional<QString>& record = std::nullopt);

std::optional<QString> uploadID(const QByteArray& data);
QList<UploadedPart> parts(const QByteArray& data);

// The storage's error document: the trimmed texts of its first Code and Message.
struct Error {
    std::optional<QString> code;
    std::optional<QString> message;
    // The document was read to its end; a cut one still gives what came before the cut.
    bool isComplete = false;
};

// Present only when the root element is `Error`.
std::optional<Error> error(const QByteArray& data);
std::optional<QString> errorCode(const QByteArray& data);
std::optional<QString> errorMessage(const QByteArray& data);

// The part of `data` a guarded reader looks at: it ends just before the first internal
// declaration subset or the first markup with more than a few hundred attributes, both of which
// make the parser's work grow faster than the input. Other readers of foreign XML use it too.
QByteArrayView readablePrefix(QByteArrayView data);

// Bodies up to this size are read where they arrive; a guarded read of them takes microseconds.
inline constexpr qsizetype readInPlaceLimit = 64 * 1024;

// error(), on the thread pool for a body above readInPlaceLimit, resuming on the calling thread:
// even guarded, a few MiB of markup take long enough to stall the main thread.
QCoro::Task<std::optional<Error>> readError(QByteArray data);

} // namespace S3XML

} // namespace ParcelKit
