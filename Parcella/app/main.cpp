#include "AppText.h"
#include "FileManagerActions.h"
#include "LaunchArguments.h"
#include "ParcellaApp.h"
#include "SignInController.h"
#include "Translations.h"

#include <QApplication>

#include <cstdio>
#include <string_view>
#include <variant>

using namespace Parcella;

namespace {

void printError(const QString& text) {
    std::fputs(qPrintable(text + '\n'), stderr);
}

// A sign-in answer goes to whichever process waits for its state (this app or a command-line
// login), not to the running instance; false when one of them reached nobody.
bool deliverSignInCallbacks(LaunchArguments& arguments) {
    bool delivered = true;
    for (auto it = arguments.urls.begin(); it != arguments.urls.end();) {
        if (!LaunchArguments::isSignInCallback(*it)) {
            ++it;
            continue;
        }
        if (!SignInController::deliver(*it)) {
            printError(AppText::tr("parcella: No sign-in is waiting for this address."));
            delivered = false;
        }
        it = arguments.urls.erase(it);
    }
    return delivered;
}

} // namespace

int main(int argc, char* argv[]) {
    // Answered before the application object, which needs a display.
    if (argc == 2 && std::string_view(argv[1]) == "--version") {
        std::printf("parcella %s\n", PARCELLA_VERSION);
        return 0;
    }
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Parcella"));
    Translations::install(application);
    // A tray application lives on without windows.
    QApplication::setQuitOnLastWindowClosed(false);

    auto parsed = LaunchArguments::parse(application.arguments().mid(1), QDir::current());
    if (const auto* usage = std::get_if<QString>(&parsed)) {
        printError(*usage);
        return 2;
    }
    auto arguments = std::get<LaunchArguments>(std::move(parsed));
    if (arguments.installFileManagerActions) {
        const auto installed = FileManagerActions::install();
        for (const QString& path : installed.installed)
            std::printf("%s\n", qPrintable(path));
        if (installed.error)
            printError(QStringLiteral("parcella: %1").arg(*installed.error));
        return installed.error ? 1 : 0;
    }
    const bool hadURLs = !arguments.urls.isEmpty();
    const bool delivered = deliverSignInCallbacks(arguments);
    if (hadURLs && arguments.urls.isEmpty())
        return delivered ? 0 : 1;

    // A file manager may hand over thousands of files: more than one message holds.
    if (!SingleInstance::fits(arguments)) {
        try {
            arguments = arguments.withFilesInBatch();
        } catch (const std::exception& failure) {
            printError(AppText::tr("parcella: The files could not be handed over: %1")
                           .arg(QString::fromStdString(failure.what())));
            return 1;
        }
    }

    ParcellaApp app;
    switch (app.start(arguments)) {
    case SingleInstance::Outcome::forwarded:
        return 0;
    case SingleInstance::Outcome::failed:
        printError(AppText::tr("parcella: The running Parcella does not answer."));
        return 1;
    case SingleInstance::Outcome::primary:
        break;
    }
    return application.exec();
}
