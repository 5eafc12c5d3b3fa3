#include "LaunchArguments.h"

#include "AppText.h"
#include "CallbackListener.h"
#include "SharedBatch.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace Parcella {

namespace {

const QString fileScheme = QStringLiteral("file");
const QString appScheme = QStringLiteral("parcella");

// Only our own schemes count as URLs; anything else is a path, even "notes:draft.txt".
std::optional<QUrl> asURL(const QString& argument) {
    const QUrl url(argument, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || (scheme != fileScheme && scheme != appScheme))
        return std::nullopt;
    if (scheme == fileScheme && !url.isLocalFile())
        return std::nullopt;
    return url;
}

} // namespace

std::variant<LaunchArguments, QString> LaunchArguments::parse(const QStringList& arguments,
                                                              const QDir& base) {
    LaunchArguments result;
    bool onlyFiles = false;
    for (const QString& argument : arguments) {
        if (!onlyFiles &&
            (argument == QLatin1String("--send") || argument == QLatin1String("--"))) {
            onlyFiles = true;
            continue;
        }
        if (!onlyFiles && argument == QLatin1String("--autostart")) {
            result.autostart = true;
            continue;
        }
        if (!onlyFiles && argument == QLatin1String("--install-file-manager-actions")) {
            result.installFileManagerActions = true;
            continue;
        }
        if (!onlyFiles && argument.startsWith(QLatin1Char('-')))
            return AppText::tr("parcella: unknown option %1\nUsage: parcella [FILE|URL]... | "
                               "parcella --send FILE... | parcella --autostart | "
                               "parcella --install-file-manager-actions")
                .arg(argument);
        const auto url = asURL(argument);
        if (url && (!onlyFiles || url->isLocalFile()))
            result.urls.append(*url);
        else
            result.urls.append(
                QUrl::fromLocalFile(QDir::cleanPath(base.absoluteFilePath(argument))));
    }
    return result;
}

bool LaunchArguments::isSignInCallback(const QUrl& url) {
    return url.scheme().compare(appScheme, Qt::CaseInsensitive) == 0 &&
           !CallbackListener::stateOf(url).isEmpty();
}

LaunchArguments LaunchArguments::withFilesInBatch() const {
    LaunchArguments result = *this;
    QList<QUrl> files;
    result.urls.clear();
    for (const QUrl& url : urls)
        (url.isLocalFile() ? files : result.urls).append(url);
    if (!files.isEmpty())
        result.urls.prepend(SharedBatch::url(SharedBatch::write(files)));
    return result;
}

QByteArray LaunchArguments::encoded() const {
    QJsonArray array;
    for (const QUrl& url : urls)
        array.append(QString::fromUtf8(url.toEncoded()));
    return QJsonDocument(array).toJson(QJsonDocument::Compact);
}

std::optional<LaunchArguments> LaunchArguments::decoded(const QByteArray& bytes) {
    QJsonParseError error;
    const auto document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !document.isArray())
        return std::nullopt;
    LaunchArguments result;
    for (const auto& value : document.array()) {
        const QUrl url = QUrl::fromEncoded(value.toString().toUtf8(), QUrl::StrictMode);
        if (!value.isString() || !url.isValid())
            return std::nullopt;
        result.urls.append(url);
    }
    return result;
}

} // namespace Parcella
