#include "RecordMaker.h"

#include "Bookmark.h"
#include "FileFacts.h"
#include "PartLayout.h"
#include "UploadMessages.h"

#include <QFileInfo>

namespace ParcelKit {

std::optional<qint64> RecordMaker::partSize(qint64 byteCount,
                                            const std::optional<qint64>& override) {
    if (override && *override < 1)
        return std::nullopt;
    return PartLayout::partSize(byteCount, override);
}

UploadRecord RecordMaker::make(const QString& path, const QString& workspaceID,
                               const UploadOptions& options) {
    const auto facts = FileFacts::ofPath(path);
    const QString filename = QFileInfo(path).fileName();

    UploadRecord record;
    record.item.id = QUuid::createUuid();
    record.item.filename = filename;
    record.item.byteCount = facts ? facts->size : 0;
    record.item.state = UploadState::queued();
    record.item.workspaceID = workspaceID;
    const auto size = partSize(record.item.byteCount, options.partSizeOverride);
    record.bookmark = Bookmark::make(path);
    record.path = path;
    if (facts)
        record.modifiedAt = facts->modifiedAt;
    record.partSize = size.value_or(PartLayout::defaultPartSize);

    if (!facts || !facts->isRegularFile)
        record.item.state = UploadState::failed(UploadMessages::notFound(filename));
    else if (facts->size > PartLayout::maxByteCount)
        record.item.state = UploadState::failed(UploadMessages::tooLarge(filename));
    else if (const auto problem = layoutProblem(record, options))
        record.item.state = UploadState::failed(*problem);
    return record;
}

std::optional<QString> RecordMaker::layoutProblem(const UploadRecord& record,
                                                  const UploadOptions& options) {
    if (options.partSizeOverride && *options.partSizeOverride < 1)
        return UploadMessages::partSizeTooSmall();
    return PartLayout::problem(record.item.byteCount, record.partSize, record.item.filename);
}

void RecordMaker::refresh(UploadRecord& record, const UploadOptions& options) {
    const auto facts = FileFacts::ofPath(Bookmark::locate(record.bookmark, record.path));
    if (!facts || !facts->isRegularFile)
        return;
    record.item.byteCount = facts->size;
    record.modifiedAt = facts->modifiedAt;
    if (const auto size = partSize(facts->size, options.partSizeOverride))
        record.partSize = *size;
}

void RecordMaker::resetToScratch(UploadRecord& record) {
    record.objectKey.reset();
    record.multipartUploadID.reset();
    record.parts.clear();
    record.isCompleteInBucket = false;
    record.item.bytesSent = 0;
}

} // namespace ParcelKit
