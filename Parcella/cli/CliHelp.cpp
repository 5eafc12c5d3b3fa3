#include "CliHelp.h"

#include "ExitCode.h"

namespace Parcella {

namespace {

const char* const serviceNote =
    "The service is the hosted one unless --service URL or the PARCELLA_SERVICE_URL variable\n"
    "names another (plain http only for this computer). Sign-ins are kept in the Secret Service\n"
    "keyring (gnome-keyring, KWallet, KeePassXC), one per service.\n";

} // namespace

QString CliHelp::version() {
    return QStringLiteral("parcella-cli " PARCELLA_VERSION "\n");
}

QString CliHelp::exitCodes() {
    return QStringLiteral("Exit status:\n"
                          "  %1    success\n"
                          "  %2    any other failure (the network, the keyring)\n"
                          "  %3    wrong arguments, or a form or file the send rules refuse\n"
                          "  %4    not signed in, or the service ended the session\n"
                          "  %5    a file could not be uploaded\n"
                          "  %6    the service refused the request\n"
                          "  %7    no keyring (Secret Service) answers\n"
                          "  %8  interrupted (Ctrl-C); the next send resumes the uploads\n")
        .arg(ExitCode::success)
        .arg(ExitCode::failure)
        .arg(ExitCode::usageError)
        .arg(ExitCode::signInNeeded)
        .arg(ExitCode::uploadFailed)
        .arg(ExitCode::serviceRefused)
        .arg(ExitCode::keyringUnavailable)
        .arg(ExitCode::interrupted);
}

QString CliHelp::usage() {
    return QStringLiteral(
               "Usage: parcella-cli [--service URL] [--workspace ID] COMMAND\n"
               "       parcella-cli help COMMAND | COMMAND --help | --version\n"
               "\n"
               "Commands:\n"
               "  login [--no-browser]        sign in through the browser\n"
               "  logout                      sign out and forget the tokens\n"
               "  send FILE|FOLDER... [options]\n"
               "                              upload and create a transfer; prints its link\n"
               "  transfers [--json]          recent transfers of the workspace\n"
               "  transfers delete ID         delete a transfer\n"
               "  transfers expire ID DAYS    let a transfer expire DAYS days from now\n"
               "  open-url URL                hand a parcella: callback to a waiting login\n"
               "\n") +
           QLatin1String(serviceNote) + '\n' + exitCodes();
}

QString CliHelp::forCommand(CliArguments::Command command) {
    using Command = CliArguments::Command;
    switch (command) {
    case Command::login:
        return QStringLiteral(
            "Usage: parcella-cli login [--no-browser]\n\n"
            "Opens the service's sign-in page in the browser and waits for it to come back. The\n"
            "address is printed too: open it anywhere and paste the address the browser was sent\n"
            "to. --no-browser only prints it and reads the answer from standard input.\n");
    case Command::logout:
        return QStringLiteral("Usage: parcella-cli logout\n\n"
                              "Signs out at the service and forgets the tokens of this service.\n");
    case Command::send:
        return QStringLiteral(
            "Usage: parcella-cli send FILE|FOLDER... [options]\n\n"
            "Uploads the files (folders with their files; hidden files, links and special files\n"
            "are left out and counted), then creates the transfer and prints its link. An\n"
            "interrupted send resumes when run again with the same files.\n\n"
            "  --email ADDR       send the transfer to ADDR by e-mail (repeatable)\n"
            "  --subject S        subject of the transfer\n"
            "  --message M        message to the recipients\n"
            "  --expires DAYS     days until the transfer expires (default 7)\n"
            "  --password-stdin   protect it with a password read from standard input\n"
            "  --email-code       protect it with a one-time code sent by e-mail to\n"
            "  --allow ADDR       ... these addresses or @domains (repeatable)\n"
            "  --json             print the created transfer as JSON, no progress\n"
            "  --limit-rate RATE  upload at most RATE bytes per second, all files together;\n"
            "                     K, M and G count in thousands as the progress line does\n"
            "                     (10M is 10 MB/s, not curl's MiB/s); 0 is no limit\n");
    case Command::transfers:
        return QStringLiteral(
            "Usage: parcella-cli transfers [--json]\n"
            "       parcella-cli transfers delete ID\n"
            "       parcella-cli transfers expire ID DAYS\n\n"
            "Lists the recent transfers of the workspace (--json: as the service describes\n"
            "them), deletes one, or lets one expire DAYS days from now.\n");
    case Command::openURL:
        return QStringLiteral(
            "Usage: parcella-cli open-url URL\n\n"
            "Hands a parcella:// sign-in callback to the login that waits for it. The desktop\n"
            "entry of the URL scheme runs this; there is no need to run it by hand.\n");
    case Command::help:
    case Command::version:
        break;
    }
    return usage();
}

} // namespace Parcella
