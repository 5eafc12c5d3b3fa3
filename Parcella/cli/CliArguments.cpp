#include "CliArguments.h"

#include "ParcellaConfiguration.h"

#include <QHash>
#include <QRegularExpression>

#include <cmath>

#include <variant>

namespace Parcella {

using ParcelKit::ParcellaConfiguration;

namespace {

const QHash<QString, CliArguments::Command>& commands() {
    static const QHash<QString, CliArguments::Command> table{
        {"login", CliArguments::Command::login},
        {"logout", CliArguments::Command::logout},
        {"send", CliArguments::Command::send},
        {"transfers", CliArguments::Command::transfers},
        {"open-url", CliArguments::Command::openURL},
        {"help", CliArguments::Command::help},
    };
    return table;
}

std::optional<qint64> positiveInteger(const QString& text) {
    bool ok = false;
    const qint64 value = text.toLongLong(&ok);
    if (!ok || value < 1)
        return std::nullopt;
    return value;
}

// "10M": K, M and G count in thousands, like the rates the progress line shows.
std::optional<qint64> byteRate(const QString& text) {
    static const QRegularExpression pattern(QStringLiteral("^([0-9]+(?:\\.[0-9]+)?)([KMG]?)$"),
                                            QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    const QString unit = match.captured(2).toUpper();
    const double scale = unit == "K" ? 1e3 : unit == "M" ? 1e6 : unit == "G" ? 1e9 : 1;
    const double rate = match.captured(1).toDouble() * scale;
    if (rate > 1e15)
        return std::nullopt;
    return qint64(std::llround(rate));
}

} // namespace

std::variant<CliArguments, QString> CliArguments::parse(const QStringList& arguments,
                                                        const QString& environmentService) {
    CliArguments result;
    if (!environmentService.isEmpty()) {
        const auto url = ParcellaConfiguration::userServiceURL(environmentService);
        if (const auto* problem = std::get_if<QString>(&url))
            return QStringLiteral("%1 (from %2)")
                .arg(*problem, QLatin1String(ParcellaConfiguration::serviceURLVariable));
        result.service = std::get<QUrl>(url);
    }
    bool sawCommand = false;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        auto value = [&]() -> std::optional<QString> {
            if (i + 1 >= arguments.size())
                return std::nullopt;
            return arguments[++i];
        };
        auto needs = [&](const QString& name) {
            return QStringLiteral("%1 needs a value.").arg(name);
        };

        if (argument == "--help" || argument == "-h") {
            if (sawCommand && result.command != Command::help)
                result.helpTopic = result.command;
            result.command = Command::help;
            return result;
        }
        if (argument == "--version") {
            result.command = Command::version;
            return result;
        }
        if (argument == "--service") {
            const auto text = value();
            if (!text)
                return needs(argument);
            const auto url = ParcellaConfiguration::userServiceURL(*text);
            if (const auto* problem = std::get_if<QString>(&url))
                return *problem;
            result.service = std::get<QUrl>(url);
        } else if (argument == "--workspace") {
            const auto text = value();
            if (!text)
                return needs(argument);
            result.workspace = *text;
        } else if (argument == "--email" || argument == "--allow") {
            const auto text = value();
            if (!text)
                return needs(argument);
            (argument == "--email" ? result.emails : result.allowed).append(*text);
        } else if (argument == "--subject" || argument == "--message") {
            const auto text = value();
            if (!text)
                return needs(argument);
            (argument == "--subject" ? result.subject : result.message) = *text;
        } else if (argument == "--expires") {
            const auto text = value();
            const auto days = text ? positiveInteger(*text) : std::nullopt;
            if (!days)
                return QStringLiteral("--expires needs a number of days.");
            result.expiresInDays = *days;
        } else if (argument == "--limit-rate") {
            const auto text = value();
            const auto rate = text ? byteRate(*text) : std::nullopt;
            if (!rate)
                return QStringLiteral("--limit-rate needs bytes per second, such as 500K or 10M.");
            result.limitRate = *rate;
        } else if (argument == "--password-stdin") {
            result.passwordFromStdin = true;
        } else if (argument == "--email-code") {
            result.emailCode = true;
        } else if (argument == "--json") {
            result.json = true;
        } else if (argument == "--no-browser") {
            result.noBrowser = true;
        } else if (argument == "--part-size") {
            const auto text = value();
            const auto size = text ? positiveInteger(*text) : std::nullopt;
            if (!size)
                return QStringLiteral("--part-size needs a number of bytes.");
            result.partSize = *size;
        } else if (argument == "--max-retries") {
            const auto text = value();
            bool ok = false;
            const int retries = text ? text->toInt(&ok) : -1;
            if (!ok || retries < 0)
                return QStringLiteral("--max-retries needs a number.");
            result.maxRetries = retries;
        } else if (argument == "--retry-delays") {
            const auto text = value();
            if (!text)
                return needs(argument);
            QList<double> delays;
            for (const QString& piece : text->split(',')) {
                bool ok = false;
                const double seconds = piece.toDouble(&ok);
                if (!ok || seconds < 0)
                    return QStringLiteral("--retry-delays needs seconds separated by commas.");
                delays.append(seconds);
            }
            result.retryDelays = delays;
        } else if (argument.startsWith("--")) {
            return QStringLiteral("Unknown option %1.").arg(argument);
        } else if (!sawCommand) {
            if (!commands().contains(argument))
                return QStringLiteral("Unknown command %1.").arg(argument);
            result.command = commands().value(argument);
            sawCommand = true;
        } else if (const auto problem = result.takePositional(argument)) {
            return *problem;
        }
    }
    if (const auto problem = result.problem())
        return *problem;
    return result;
}

// A word after the command; the text says why it does not belong there.
std::optional<QString> CliArguments::takePositional(const QString& argument) {
    const auto unexpected = QStringLiteral("Unexpected argument %1.").arg(argument);
    switch (command) {
    case Command::send:
        paths.append(argument);
        return std::nullopt;
    case Command::openURL:
        if (!callbackURL.isEmpty())
            return unexpected;
        callbackURL = QUrl(argument);
        return std::nullopt;
    case Command::help:
        if (helpTopic)
            return unexpected;
        if (!commands().contains(argument))
            return QStringLiteral("Unknown command %1.").arg(argument);
        helpTopic = commands().value(argument);
        return std::nullopt;
    case Command::transfers:
        if (transferAction == TransferAction::list) {
            if (argument != "delete" && argument != "expire")
                return QStringLiteral("transfers takes delete ID or expire ID DAYS, not %1.")
                    .arg(argument);
            transferAction = argument == "delete" ? TransferAction::remove : TransferAction::expire;
        } else if (transferID.isEmpty()) {
            transferID = argument;
        } else if (transferAction == TransferAction::expire && expiryDays == 0) {
            const auto days = positiveInteger(argument);
            if (!days)
                return QStringLiteral("transfers expire needs a number of days, not %1.")
                    .arg(argument);
            expiryDays = *days;
        } else {
            return unexpected;
        }
        return std::nullopt;
    case Command::version:
    case Command::login:
    case Command::logout:
        break;
    }
    return unexpected;
}

std::optional<QString> CliArguments::problem() const {
    if (command == Command::send && paths.isEmpty())
        return QStringLiteral("send needs at least one file or folder.");
    if (command == Command::openURL && !callbackURL.isValid())
        return QStringLiteral("open-url needs the callback URL.");
    if (transferAction != TransferAction::list && transferID.isEmpty())
        return QStringLiteral("transfers %1 needs the transfer's ID.")
            .arg(transferAction == TransferAction::remove ? "delete" : "expire");
    if (transferAction == TransferAction::expire && expiryDays == 0)
        return QStringLiteral("transfers expire needs the ID and a number of days.");
    const bool listsOrSends = command == Command::send || (command == Command::transfers &&
                                                           transferAction == TransferAction::list);
    if (json && !listsOrSends)
        return QStringLiteral("--json is for send and the transfers list.");
    return std::nullopt;
}

} // namespace Parcella
