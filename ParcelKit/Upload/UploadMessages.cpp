#include "UploadMessages.h"

#include "EngineText.h"

namespace ParcelKit::UploadMessages {

namespace {
QString withName(QString text, const QString& filename) {
    return text.replace(QLatin1String("%@"), filename);
}
} // namespace

QString notFound(const QString& filename) {
    return withName(EngineText::tr("%@ can no longer be found."), filename);
}

QString unreadable(const QString& filename) {
    return withName(EngineText::tr("%@ can no longer be read."), filename);
}

QString tooLarge(const QString& filename) {
    return withName(EngineText::tr("%@ is larger than 100 GB, the most a file can have."),
                    filename);
}

QString changed(const QString& filename) {
    return withName(EngineText::tr("%@ was changed while it uploaded."), filename);
}

QString cancelledOnServer() {
    return EngineText::tr("The upload was cancelled on the server.");
}

QString tooManyParts(const QString& filename, qint64 smallestPartSize) {
    return withName(EngineText::tr(
                        "%@ would need more than 1,000 parts; the part size must be at least %lld "
                        "bytes for it."),
                    filename)
        .replace(QLatin1String("%lld"), QString::number(smallestPartSize));
}

QString partSizeTooSmall() {
    return EngineText::tr("The part size of an upload must be at least 1 byte.");
}

} // namespace ParcelKit::UploadMessages
