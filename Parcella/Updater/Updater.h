#pragma once

#include "AppcastItem.h"
#include "ReleaseFetcher.h"
#include "UpdaterSetup.h"
#include "UserInstall.h"

#include "TaskHandle.h"

#include <QObject>
#include <QTimer>
#include <QUrl>

#include <functional>
#include <optional>

namespace Parcella {

class AppModel;

// Keeps the application up to date from its signed update feed: checks a short while after the
// start, every day and when the user asks. A per-user installation downloads a newer release
// (by itself when installsAutomatically), verifies it and holds it "ready to install on quit";
// it installs earlier, as soon as the application is idle: at once, then every minute while it
// waits, and at quit at the latest. A packaged installation only reports newer versions.
class Updater : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool installsAutomatically READ installsAutomatically WRITE setInstallsAutomatically
                   NOTIFY installsAutomaticallyChanged)
    Q_PROPERTY(QString version READ version CONSTANT)
    Q_PROPERTY(bool canInstall READ canInstall CONSTANT)
    Q_PROPERTY(bool isChecking READ isChecking NOTIFY isCheckingChanged)
    Q_PROPERTY(bool isReadyToInstall READ isReadyToInstall NOTIFY isReadyToInstallChanged)
    Q_PROPERTY(QString status READ status NOTIFY statusChanged)
    Q_PROPERTY(QUrl releaseNotesLink READ releaseNotesLink NOTIFY releaseNotesLinkChanged)

public:
    static constexpr const char* installsAutomaticallyKey = "updater.installsAutomatically";

    // `isBusy` tells whether the application's work forbids an install now.
    Updater(std::function<bool()> isBusy, UpdaterSetup setup, QObject* parent = nullptr);
    // Busy while the model uploads, sends or holds a pending send.
    Updater(const AppModel& model, UpdaterSetup setup, QObject* parent = nullptr);
    ~Updater() override;

    bool installsAutomatically() const { return m_installsAutomatically; }
    void setInstallsAutomatically(bool enabled);
    QString version() const { return m_setup.runningVersion.toString(); }
    // Only a per-user installation replaces itself.
    bool canInstall() const { return m_canInstall; }
    bool isChecking() const { return m_isChecking; }
    bool isReadyToInstall() const { return m_waiting.has_value(); }
    const QString& status() const { return m_status; }
    const QUrl& releaseNotesLink() const { return m_releaseNotesLink; }

    // Installed by the status item: whether the popover is open.
    void setPopoverShownTest(std::function<bool()> isPopoverShown);
    bool isIdle() const;

    // "Check for updates…": downloads a newer release even without automatic installs.
    Q_INVOKABLE void checkForUpdates();
    void installIfIdle();

signals:
    void installsAutomaticallyChanged();
    void isCheckingChanged();
    void isReadyToInstallChanged();
    void statusChanged();
    void releaseNotesLinkChanged();
    // A check or an install ended, with or without an update.
    void finished();

private:
    struct WaitingInstall {
        AppcastItem item;
        QByteArray archive;
    };

    void startCheck(bool byUser);
    QCoro::Task<void> check(bool byUser, std::stop_token token);
    QCoro::Task<void> install(WaitingInstall waiting, std::stop_token token);
    void holdForInstall(WaitingInstall waiting);
    // Installs a waiting update without restarting: the application is quitting.
    void installAtQuit();
    void setStatus(const QString& status);
    void setReleaseNotesLink(const QUrl& link);

    std::function<bool()> m_isBusy;
    std::function<bool()> m_isPopoverShown = [] { return false; };
    UpdaterSetup m_setup;
    UserInstall m_install;
    bool m_canInstall = false;
    bool m_isPackaged = false;
    ReleaseFetcher m_fetcher;
    bool m_installsAutomatically = true;
    bool m_isChecking = false;
    std::optional<WaitingInstall> m_waiting;
    QString m_status;
    QUrl m_releaseNotesLink;
    QTimer m_checkTimer;
    QTimer m_idleTimer;
    ParcelKit::TaskHandle<> m_check;
    ParcelKit::TaskHandle<> m_installing;
};

} // namespace Parcella
