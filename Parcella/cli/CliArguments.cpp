#include "CliArguments.h"

#include "ParcellaConfiguration.h"

#include <QHash>

#include <variant>

namespace Parcella {

using ParcelKit::ParcellaConfiguration;

QString CliArguments::usage() {
    return QStringLiteral(
        "Usage: parcella-cli [--service URL] [--workspace ID] COMMAND\n"
        "\n"
        "Commands:\n"
        "  login [--no-browser]        sign in through the browser\n"
        "  logout                      sign out and forget the tokens\n"
        "  send FILE|FOLDER... [--email ADDR]... [--subject S] [--message M]\n"
        "       [--expires DAYS] [--password-stdin] [--email-code] [--allow ADDR]...\n"
        "                              upload and create a transfer; prints its link\n"
        "  transfers                   recent transfers of the workspace\n"
        "  open-url URL                hand a parcella: callback to a waiting login\n");
}

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
            result.command = Command::help;
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
        } else if (argument == "--password-stdin") {
            result.passwordFromStdin = true;
        } else if (argument == "--email-code") {
            result.emailCode = true;
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
        } else if (result.command == Command::send) {
            result.paths.append(argument);
        } else if (result.command == Command::openURL && result.callbackURL.isEmpty()) {
            result.callbackURL = QUrl(argument);
        } else {
            return QStringLiteral("Unexpected argument %1.").arg(argument);
        }
    }
    if (result.command == Command::send && result.paths.isEmpty())
        return QStringLiteral("send needs at least one file or folder.");
    if (result.command == Command::openURL && !result.callbackURL.isValid())
        return QStringLiteral("open-url needs the callback URL.");
    return result;
}

} // namespace Parcella
