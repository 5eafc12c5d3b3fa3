#include "AccountCommands.h"

#include "AppText.h"
#include "CallbackListener.h"
#include "CliEngine.h"
#include "Console.h"
#include "ExitCode.h"
#include "Failure.h"
#include "LineReader.h"
#include "SignInController.h"

#include "Async.h"

#include <QProcess>
#include <QProcessEnvironment>

namespace Parcella {

using namespace ParcelKit;

namespace {

void openInBrowser(const QUrl& url) {
    const auto environment = QProcessEnvironment::systemEnvironment();
    if (!environment.contains("DISPLAY") && !environment.contains("WAYLAND_DISPLAY"))
        return;
    QProcess::startDetached(QStringLiteral("xdg-open"), {url.toString()});
}

// Waits for the callback from whichever comes first: the scheme handler's socket or a line the
// user pastes.
QCoro::Task<QUrl> waitForCallback(CallbackListener& channel, LineReader& input,
                                  std::stop_token token) {
    auto registration = [&channel, &input](Continuation<QUrl> continuation) {
        QObject::connect(&channel, &CallbackListener::received, &channel,
                         [continuation](const QUrl& url) { continuation.resume(url); });
        QObject::connect(&input, &LineReader::line, &input, [continuation](const QString& text) {
            const QUrl url(text);
            if (url.isValid() && !url.scheme().isEmpty())
                continuation.resume(url);
        });
    };
    co_return co_await suspend<QUrl>(token, std::move(registration));
}

} // namespace

QCoro::Task<int> AccountCommands::login(CliEngine& engine, CliArguments arguments,
                                        std::stop_token token) {
    const QUrl address = engine.auth().signInURL();
    // Routed by the sign-in's state, so the scheme handler reaches this login and no other;
    // listening before the address is shown, so no answer can come too early.
    CallbackListener channel(CallbackListener::stateOf(address));
    channel.listen();
    Console::out(AppText::tr("Open this address to sign in:\n\n  %1\n\n").arg(address.toString()));
    if (!arguments.noBrowser)
        openInBrowser(address);
    Console::out(AppText::tr("Waiting for the browser. You can also paste the address the "
                             "browser was sent to and press Enter.\n"));
    LineReader input;
    try {
        const QUrl callback = co_await waitForCallback(channel, input, token);
        co_await engine.auth().completeSignIn(callback, token);
    } catch (...) {
        const auto failure = Failure::from(std::current_exception(), Failure::Stage::account,
                                           token.stop_requested());
        Console::error(QStringLiteral("parcella-cli: %1\n").arg(failure.message));
        co_return failure.code == ExitCode::signInNeeded ? ExitCode::failure : failure.code;
    }
    Console::out(AppText::tr("Signed in.\n"));
    co_return ExitCode::success;
}

QCoro::Task<int> AccountCommands::logout(CliEngine& engine, std::stop_token token) {
    if (!engine.auth().isSignedIn()) {
        Console::out(AppText::tr("Not signed in.\n"));
        co_return ExitCode::success;
    }
    co_await engine.auth().signOut(token);
    Console::out(AppText::tr("Signed out.\n"));
    co_return ExitCode::success;
}

int AccountCommands::openURL(const CliArguments& arguments) {
    if (!SignInController::deliver(arguments.callbackURL)) {
        Console::error(AppText::tr("parcella-cli: No sign-in is waiting for this address.\n"));
        return ExitCode::failure;
    }
    return ExitCode::success;
}

} // namespace Parcella
