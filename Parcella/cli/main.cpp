#include "AccountCommands.h"
#include "AppText.h"
#include "CliArguments.h"
#include "CliEngine.h"
#include "CliHelp.h"
#include "Console.h"
#include "ExitCode.h"
#include "InterruptSignal.h"
#include "SendCommand.h"
#include "TransferCommands.h"
#include "Translations.h"
#ifdef PARCELLA_STALL_PROBE
#include "StallProbe.h"
#endif

#include <QCoreApplication>

#include <variant>

using namespace Parcella;

namespace {

QCoro::Task<int> runCommand(CliEngine& engine, CliArguments arguments, std::stop_token token) {
    switch (arguments.command) {
    case CliArguments::Command::login:
        co_return co_await AccountCommands::login(engine, arguments, token);
    case CliArguments::Command::logout:
        co_return co_await AccountCommands::logout(engine, token);
    case CliArguments::Command::transfers:
        co_return co_await TransferCommands::run(engine, arguments, token);
    case CliArguments::Command::send:
        co_return co_await SendCommand::run(engine, arguments, token);
    case CliArguments::Command::help:
    case CliArguments::Command::version:
    case CliArguments::Command::openURL:
        break;
    }
    co_return ExitCode::failure;
}

// Runs the command and ends the event loop with its exit status; the engine is torn down after.
// The exit is queued: a command that ends without waiting (no session, say) finishes before the
// event loop runs, and an exit asked for then would be ignored.
QCoro::Task<void> runAndQuit(CliEngine& engine, CliArguments arguments, std::stop_token token) {
    int code = ExitCode::keyringUnavailable;
    if (const auto problem = engine.keyringProblem())
        Console::error(QStringLiteral("parcella-cli: %1\n").arg(*problem));
    else
        code = co_await runCommand(engine, arguments, token);
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [code] { QCoreApplication::exit(code); },
        Qt::QueuedConnection);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Parcella"));
    Translations::install(app);

    const auto parsed = CliArguments::parse(
        app.arguments(),
        qEnvironmentVariable(ParcelKit::ParcellaConfiguration::serviceURLVariable));
    if (const auto* problem = std::get_if<QString>(&parsed)) {
        Console::error(AppText::tr("parcella-cli: %1\nRun “parcella-cli help” for the usage.\n")
                           .arg(*problem));
        return ExitCode::usageError;
    }
    const CliArguments& arguments = std::get<CliArguments>(parsed);
    if (arguments.command == CliArguments::Command::version) {
        Console::out(CliHelp::version());
        return ExitCode::success;
    }
    if (arguments.command == CliArguments::Command::help) {
        Console::out(arguments.helpTopic ? CliHelp::forCommand(*arguments.helpTopic)
                                         : CliHelp::usage());
        return ExitCode::success;
    }
    if (arguments.command == CliArguments::Command::openURL)
        return AccountCommands::openURL(arguments);

#ifdef PARCELLA_STALL_PROBE
    StallProbe probe;
#endif
    InterruptSignal interrupt;
    CliEngine engine(arguments);
    auto task = runAndQuit(engine, arguments, interrupt.token());
    return app.exec();
}
