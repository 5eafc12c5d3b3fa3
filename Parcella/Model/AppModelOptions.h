#pragma once

#include "SignInController.h"

#include "NetworkMonitor.h"
#include "ParcellaConfiguration.h"
#include "UploadOptions.h"

#include <QSettings>
#include <QString>

#include <chrono>
#include <memory>
#include <optional>

namespace Parcella {

// What a test or another host changes in the application model; the defaults are the installed
// application's.
struct AppModelOptions {
    // Holds "uploads.json" and "pending-send.json"; empty: the application's data folder.
    QString storageFolder;
    // The user's settings; none: the application's own.
    std::shared_ptr<QSettings> settings;
    QString keychainService = QStringLiteral("app.parcella.mac");
    // None: the installed configuration, its service replaced by one that PARCELLA_SERVICE_URL
    // names.
    std::optional<ParcelKit::ParcellaConfiguration> configuration;
    // Opens the authorize URL; empty: the desktop's default browser.
    SignInController::BrowserOpener openBrowser;
    std::chrono::milliseconds pollInterval{std::chrono::seconds(180)};
    ParcelKit::UploadOptions uploadOptions;
    // The engine's network monitor; none: the system's.
    std::shared_ptr<ParcelKit::NetworkMonitor> network;
};

} // namespace Parcella
