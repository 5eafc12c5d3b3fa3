#include "SharedBatch.h"

#include "AppText.h"
#include "Bookmark.h"
#include "InfoDictionary.h"
#include "UserFile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QUrlQuery>

#include <plist/plist.h>

#include <memory>

namespace Parcella {

namespace {

const QString defaultAppGroup = QStringLiteral("group.app.parcella.mac");

struct PlistFree {
    void operator()(plist_t node) const { plist_free(node); }
};
using Plist = std::unique_ptr<std::remove_pointer_t<plist_t>, PlistFree>;

QByteArray encoded(const QList<QUrl>& files) {
    Plist array(plist_new_array());
    for (const QUrl& file : files) {
        const QByteArray bookmark = ParcelKit::Bookmark::make(file.toLocalFile());
        plist_array_append_item(array.get(), plist_new_data(bookmark.constData(), bookmark.size()));
    }
    char* bytes = nullptr;
    uint32_t length = 0;
    plist_to_bin(array.get(), &bytes, &length);
    const QByteArray result(bytes, length);
    plist_to_bin_free(bytes);
    return result;
}

// The files of the bookmarks that resolve; items that are not data are skipped like bookmarks
// that do not resolve.
QList<QUrl> decoded(const QByteArray& bytes) {
    plist_t root = nullptr;
    plist_from_memory(bytes.constData(), uint32_t(bytes.size()), &root);
    const Plist owner(root);
    if (!root || plist_get_node_type(root) != PLIST_ARRAY)
        return {};
    QList<QUrl> files;
    const uint32_t count = plist_array_get_size(root);
    for (uint32_t i = 0; i < count; ++i) {
        plist_t item = plist_array_get_item(root, i);
        if (plist_get_node_type(item) != PLIST_DATA)
            continue;
        uint64_t length = 0;
        const char* data = plist_get_data_ptr(item, &length);
        if (const auto path = ParcelKit::Bookmark::resolve(QByteArray(data, qsizetype(length))))
            files.append(QUrl::fromLocalFile(*path));
    }
    return files;
}

} // namespace

SharedBatch::Failure::Failure(Kind kind, const QString& text)
    : std::runtime_error(text.toStdString()), m_kind(kind) {}

QString SharedBatch::appGroup() {
    const auto info = ParcelKit::InfoDictionary::load();
    const QJsonValue group = info ? info->value(QStringLiteral("PCAppGroup")) : QJsonValue();
    return group.isString() ? group.toString() : defaultAppGroup;
}

QString SharedBatch::directory() {
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (data.isEmpty())
        throw Failure(Failure::Kind::noContainer, AppText::tr("No shared data folder."));
    const QString folder = QDir(data).filePath(appGroup() + QStringLiteral("/Batches"));
    if (!QDir().mkpath(folder))
        throw Failure(Failure::Kind::notCreated,
                      AppText::tr("The folder %1 could not be created.").arg(folder));
    return folder;
}

std::optional<QUuid> SharedBatch::batchID(const QUrl& url) {
    if (url.scheme() != QLatin1String("parcella") || url.host() != QLatin1String("send"))
        return std::nullopt;
    const QStringList values =
        QUrlQuery(url).allQueryItemValues(QStringLiteral("batch"), QUrl::FullyDecoded);
    if (values.isEmpty())
        return std::nullopt;
    // Only the standard 8-4-4-4-12 form; braces or a bare hex run are not batch ids.
    const QString& text = values.first();
    const QUuid id = QUuid::fromString(text);
    if (text.size() != 36 || id.isNull())
        return std::nullopt;
    return id;
}

QUrl SharedBatch::url(const QUuid& id) {
    QUrl url;
    url.setScheme(QStringLiteral("parcella"));
    url.setHost(QStringLiteral("send"));
    url.setQuery(QStringLiteral("batch=") + id.toString(QUuid::WithoutBraces).toUpper());
    return url;
}

QString SharedBatch::fileName(const QUuid& id) {
    return id.toString(QUuid::WithoutBraces).toUpper() + QStringLiteral(".plist");
}

QUuid SharedBatch::write(const QList<QUrl>& files) {
    const QUuid id = QUuid::createUuid();
    if (const auto error =
            UserFile::replace(QDir(directory()).filePath(fileName(id)), encoded(files)))
        throw std::runtime_error(error->toStdString());
    return id;
}

QList<QUrl> SharedBatch::take(const QUuid& id) {
    QString path;
    try {
        path = QDir(directory()).filePath(fileName(id));
    } catch (const Failure&) {
        return {};
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readAll();
    file.close();
    file.remove();
    return decoded(bytes);
}

void SharedBatch::removeStale(std::chrono::seconds age) {
    QString folder;
    try {
        folder = directory();
    } catch (const Failure&) {
        return;
    }
    const QDateTime cutoff = QDateTime::currentDateTimeUtc().addSecs(-age.count());
    const QFileInfoList entries = QDir(folder).entryInfoList(QDir::AllEntries | QDir::Hidden |
                                                             QDir::System | QDir::NoDotAndDotDot);
    for (const QFileInfo& entry : entries) {
        const QDateTime changed = entry.lastModified();
        if (changed.isValid() && changed >= cutoff)
            continue;
        if (entry.isDir() && !entry.isSymLink())
            QDir(entry.filePath()).removeRecursively();
        else
            QFile::remove(entry.filePath());
    }
}

} // namespace Parcella
