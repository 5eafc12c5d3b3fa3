#pragma once

#include <QByteArray>
#include <QSettings>
#include <QString>
#include <QUrl>
#include <QVersionNumber>

#include <chrono>
#include <functional>
#include <memory>

namespace Parcella {

// Where the updater looks, what it trusts and how it restarts; installed() is the running
// application's, tests build their own.
struct UpdaterSetup {
    QUrl feedURL;
    // Base64 of the raw Ed25519 public key that signs release archives.
    QByteArray publicKey;
    QVersionNumber runningVersion;
    QString executablePath;
    // The per-user installation that replaces itself; other copies only report new versions.
    QString installRoot;
    std::shared_ptr<QSettings> settings;
    std::chrono::milliseconds firstCheckDelay{std::chrono::seconds(10)};
    std::chrono::milliseconds checkInterval{std::chrono::hours(24)};
    std::chrono::milliseconds idleInterval{std::chrono::seconds(60)};
    // Starts the installed `executable` and ends this process.
    std::function<void(const QString& executable)> restart;

    // From the information dictionary ("PCUpdateFeedURL", "PCUpdatePublicKey"), the running
    // program and the application's settings.
    static UpdaterSetup installed();
    // Starts `executable` once this process has exited (a second instance would only hand its
    // arguments over to this one), then quits the application.
    static void restartAfterExit(const QString& executable);
};

} // namespace Parcella
