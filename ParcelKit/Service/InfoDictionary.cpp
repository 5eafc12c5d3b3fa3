#include "InfoDictionary.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonDocument>

// The resource lives in a static library, so it must be registered by hand before first use.
static void registerEngineResources() {
    Q_INIT_RESOURCE(ParcelKit);
}

namespace ParcelKit {

namespace {

std::optional<QJsonObject> readObject(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    return document.object();
}

} // namespace

QString InfoDictionary::installedPath() {
    return QCoreApplication::applicationDirPath() + QStringLiteral("/../share/parcella/Info.json");
}

std::optional<QJsonObject> InfoDictionary::load() {
    return load(installedPath());
}

std::optional<QJsonObject> InfoDictionary::load(const QString& installedPath) {
    if (QFile::exists(installedPath))
        return readObject(installedPath);
    static const bool registered = (registerEngineResources(), true);
    Q_UNUSED(registered);
    return readObject(QStringLiteral(":/parcelkit/Info.json"));
}

} // namespace ParcelKit
