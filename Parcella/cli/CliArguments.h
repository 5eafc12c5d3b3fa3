#pragma once

#include <QStringList>
#include <QUrl>

#include <optional>

namespace Parcella {

// The parsed command line of parcella-cli.
struct CliArguments {
    enum class Command { help, version, login, logout, send, transfers, openURL };
    enum class TransferAction { list, remove, expire };

    Command command = Command::help;
    // help COMMAND, COMMAND --help
    std::optional<Command> helpTopic;
    std::optional<QUrl> service;
    std::optional<QString> workspace;
    // send and the transfers list: JSON on standard output, for scripts
    bool json = false;

    // transfers [delete ID | expire ID DAYS]
    TransferAction transferAction = TransferAction::list;
    QString transferID;
    qint64 expiryDays = 0;

    // send
    QStringList paths;
    QStringList emails;
    QString subject;
    QString message;
    qint64 expiresInDays = 7;
    bool passwordFromStdin = false;
    bool emailCode = false;
    QStringList allowed;
    // Bytes per second for all uploads together; 0 for no limit.
    qint64 limitRate = 0;

    // login: read the callback from standard input only (no browser, no socket)
    bool noBrowser = false;
    // open-url: the callback URL handed over by the scheme handler
    QUrl callbackURL;

    // development tuning, not shown in the usage text
    std::optional<qint64> partSize;
    std::optional<int> maxRetries;
    std::optional<QList<double>> retryDelays;

    // On failure, the text says what is wrong. environmentService is the value of the service
    // variable; --service wins over it.
    static std::variant<CliArguments, QString> parse(const QStringList& arguments,
                                                     const QString& environmentService = {});

private:
    std::optional<QString> takePositional(const QString& argument);
    std::optional<QString> problem() const;
};

} // namespace Parcella
