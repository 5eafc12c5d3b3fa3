#include "ParcellaConfiguration.h"

#include "EngineText.h"
#include "InfoDictionary.h"

#include <QHostAddress>

namespace ParcelKit {

const QString ParcellaConfiguration::defaultClientID =
    QStringLiteral("3b9f6c1e-7a42-4d85-9e0b-51c8d2a7f604");
const QUrl ParcellaConfiguration::builtInBaseURL(QStringLiteral("https://api.parcella.app"));
const QUrl ParcellaConfiguration::defaultRedirectURI(QStringLiteral("parcella://oauth/callback"));

namespace {

// Only an absolute URL can serve as an origin or a callback; a relative one counts as unparsable.
std::optional<QUrl> urlValue(const QJsonObject& info, const char* key) {
    const QJsonValue value = info.value(QLatin1String(key));
    if (!value.isString())
        return std::nullopt;
    const QUrl url(value.toString(), QUrl::StrictMode);
    if (!url.isValid() || url.isRelative())
        return std::nullopt;
    return url;
}

} // namespace

ParcellaConfiguration
ParcellaConfiguration::fromInfoDictionary(const std::optional<QJsonObject>& info) {
    const QJsonObject dictionary = info.value_or(QJsonObject());
    ParcellaConfiguration configuration;
    configuration.baseURL = urlValue(dictionary, "PCBaseURL").value_or(builtInBaseURL);
    configuration.clientID = dictionary.value(QLatin1String("PCClientID")).toString();
    configuration.redirectURI = urlValue(dictionary, "PCRedirectURI").value_or(defaultRedirectURI);
    return configuration;
}

ParcellaConfiguration ParcellaConfiguration::fromInstalledInfo() {
    return fromInfoDictionary(InfoDictionary::load());
}

std::variant<QUrl, QString> ParcellaConfiguration::userServiceURL(const QString& text) {
    const QUrl url(text, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty() || (scheme != "http" && scheme != "https"))
        return EngineText::tr("The service address “%1” is not an http or https URL.").arg(text);
    const QString host = url.host().toLower();
    const bool loopback = host == "localhost" || QHostAddress(host).isLoopback();
    if (scheme == "http" && !loopback)
        return EngineText::tr("The service address “%1” uses plain http, which would send your "
                              "sign-in unencrypted. Use https; plain http is accepted only for "
                              "a service on this computer (localhost, 127.0.0.1, ::1).")
            .arg(text);
    return url;
}

} // namespace ParcelKit
