#pragma once

#include <QJsonObject>
#include <QString>
#include <QUrl>

#include <optional>
#include <variant>

namespace ParcelKit {

// Where the service lives and how the application identifies itself to it. Built once at start-up
// from the information dictionary and copied into the API client and the sign-in session.
struct ParcellaConfiguration {
    QUrl baseURL;
    QString clientID;
    QUrl redirectURI;

    // A client identifier for callers that have none of their own; the information dictionary
    // never falls back to it.
    static const QString defaultClientID;
    // The service origin used when the information dictionary names none.
    static const QUrl builtInBaseURL;
    static const QUrl defaultRedirectURI;

    // Reads "PCBaseURL", "PCClientID" and "PCRedirectURI"; a missing, mistyped or unparsable
    // value falls back without complaint, and so does a missing dictionary.
    static ParcellaConfiguration fromInfoDictionary(const std::optional<QJsonObject>& info);
    // The configuration of the installed application.
    static ParcellaConfiguration fromInstalledInfo();

    // The variable through which scripts, tests and a self-hosted service name another service.
    static constexpr const char* serviceURLVariable = "PARCELLA_SERVICE_URL";
    // A service URL the user gave instead of the configured one, or what is wrong with it. Plain
    // http would carry the tokens in clear text, so it may only reach this computer.
    static std::variant<QUrl, QString> userServiceURL(const QString& text);

    bool operator==(const ParcellaConfiguration&) const = default;
};

} // namespace ParcelKit
