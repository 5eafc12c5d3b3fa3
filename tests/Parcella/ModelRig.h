#pragma once

#include "AppModel.h"

#include "DevServiceProcess.h"
#include "SignalNetworkMonitor.h"

#include <QJsonObject>
#include <QTemporaryDir>

#include <chrono>
#include <functional>
#include <memory>

namespace Parcella::Testing {

// An application model against a real devservice over loopback, with its storage folder and
// settings in a temporary folder, its own keychain service and a network monitor driven by hand.
// The browser is played in-process: the authorize page is fetched, its Allow is posted and the
// redirect's parcella: callback is handed to the waiting sign-in.
class ModelRig {
public:
    ModelRig();
    // Lets the queue settle before the model goes.
    ~ModelRig();

    // Builds the model on the rig's folder; a second call replaces it, as a restart does.
    AppModel& start();
    void stop();
    // Signs in as the devservice's first user; true once the account has loaded.
    bool signIn();

    // Adds a fault rule of the devservice (see its admin endpoint).
    void addFault(const QJsonObject& rule);
    void clearFaults();
    QString writeFile(const QString& name, qint64 size);
    // Lists the rig's files `names` in the studio, writing each with `size` bytes first if given.
    QList<QUuid> enqueue(const QStringList& names, std::optional<qint64> size = {});
    // Sends the files already listed with `form` and waits for the created transfer.
    std::optional<ParcelKit::Transfer> sendAndWait(const SendForm& form);
    QString pendingFile() const { return dir.filePath("pending-send.json"); }
    PendingSendStore pendingStore() const;

    // When the browser plays along; off, a sign-in waits until cancelled.
    bool browserAllows = true;
    DevServiceProcess service{{"--admin-token", "rig-admin"}};
    QTemporaryDir dir;
    std::shared_ptr<QSettings> settings;
    std::shared_ptr<ParcelKit::Testing::SignalNetworkMonitor> network =
        std::make_shared<ParcelKit::Testing::SignalNetworkMonitor>();
    QString keychainService;
    std::chrono::milliseconds pollInterval{std::chrono::seconds(180)};
    std::unique_ptr<AppModel> model;

private:
    void playBrowser(const QUrl& authorizeURL) const;
};

} // namespace Parcella::Testing
