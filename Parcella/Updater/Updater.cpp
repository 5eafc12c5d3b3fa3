#include "Updater.h"

#include "AppModel.h"
#include "AppText.h"
#include "UpdateFailure.h"

#include <QCoreApplication>
#include <QCoroFuture>
#include <QFileInfo>
#include <QtConcurrent>

namespace Parcella {

namespace {

struct InstallOutcome {
    QString executable;
    QString failure;
};

bool isUnderUsr(const QString& executablePath) {
    return QFileInfo(executablePath).canonicalFilePath().startsWith(QLatin1String("/usr/"));
}

} // namespace

Updater::Updater(std::function<bool()> isBusy, UpdaterSetup setup, QObject* parent)
    : QObject(parent), m_isBusy(std::move(isBusy)), m_setup(std::move(setup)),
      m_install(m_setup.installRoot), m_canInstall(m_install.contains(m_setup.executablePath)),
      m_isPackaged(isUnderUsr(m_setup.executablePath)),
      m_fetcher(m_setup.feedURL, m_setup.publicKey) {
    if (!m_setup.settings)
        m_setup.settings = std::make_shared<QSettings>(QString(), QStringLiteral("Parcella"));
    m_installsAutomatically = m_setup.settings->value(installsAutomaticallyKey, true).toBool();

    m_checkTimer.setInterval(m_setup.checkInterval);
    connect(&m_checkTimer, &QTimer::timeout, this, [this] { startCheck(false); });
    m_checkTimer.start();
    QTimer::singleShot(m_setup.firstCheckDelay, this, [this] { startCheck(false); });
    m_idleTimer.setInterval(m_setup.idleInterval);
    connect(&m_idleTimer, &QTimer::timeout, this, &Updater::installIfIdle);
    if (auto* application = QCoreApplication::instance())
        connect(application, &QCoreApplication::aboutToQuit, this, &Updater::installAtQuit);
}

Updater::Updater(const AppModel& model, UpdaterSetup setup, QObject* parent)
    : Updater(
          [&model] {
              return model.isUploading() || model.isSending() || model.pending().has_value();
          },
          std::move(setup), parent) {}

Updater::~Updater() {
    m_check.cancel();
    m_installing.cancel();
}

void Updater::setInstallsAutomatically(bool enabled) {
    m_setup.settings->setValue(installsAutomaticallyKey, enabled);
    if (m_installsAutomatically == enabled)
        return;
    m_installsAutomatically = enabled;
    emit installsAutomaticallyChanged();
}

void Updater::setPopoverShownTest(std::function<bool()> isPopoverShown) {
    m_isPopoverShown = std::move(isPopoverShown);
}

bool Updater::isIdle() const {
    return !m_isBusy() && !m_isPopoverShown();
}

void Updater::checkForUpdates() {
    startCheck(true);
}

void Updater::startCheck(bool byUser) {
    const bool installing = m_installing.isValid() && !m_installing.isFinished();
    if (m_isChecking || installing)
        return;
    m_isChecking = true;
    emit isCheckingChanged();
    auto body = [this, byUser](std::stop_token token) { return check(byUser, token); };
    m_check = ParcelKit::TaskHandle<>::start(std::move(body));
}

QCoro::Task<void> Updater::check(bool byUser, std::stop_token token) {
    try {
        const auto release = co_await m_fetcher.newestRelease(m_setup.runningVersion, token);
        if (!release) {
            setStatus(AppText::tr("Parcella is up to date."));
        } else if (m_waiting && m_waiting->item.version >= release->version) {
            setStatus(AppText::tr("Version %1 is ready to install on quit.")
                          .arg(m_waiting->item.shortVersionString));
        } else if (!m_canInstall || (!byUser && !m_installsAutomatically)) {
            setReleaseNotesLink(release->releaseNotesLink);
            setStatus(
                m_isPackaged
                    ? AppText::tr("Version %1 is available. Updates come from the package "
                                  "manager.")
                          .arg(release->shortVersionString)
                    : AppText::tr("Version %1 is available.").arg(release->shortVersionString));
        } else {
            setStatus(AppText::tr("Downloading version %1…").arg(release->shortVersionString));
            QByteArray archive = co_await m_fetcher.download(*release, token);
            setReleaseNotesLink(release->releaseNotesLink);
            holdForInstall({*release, std::move(archive)});
        }
    } catch (const UpdateFailure& failure) {
        setStatus(failure.message);
    }
    // A cancelled check has left by now: the updater may be gone.
    m_isChecking = false;
    emit isCheckingChanged();
    emit finished();
}

void Updater::holdForInstall(WaitingInstall waiting) {
    setStatus(AppText::tr("Version %1 is ready to install on quit.")
                  .arg(waiting.item.shortVersionString));
    m_waiting = std::move(waiting);
    emit isReadyToInstallChanged();
    m_idleTimer.start();
    installIfIdle();
}

void Updater::installIfIdle() {
    const bool installing = m_installing.isValid() && !m_installing.isFinished();
    if (!m_waiting || installing || !isIdle())
        return;
    m_idleTimer.stop();
    WaitingInstall waiting = std::move(*m_waiting);
    m_waiting.reset();
    emit isReadyToInstallChanged();
    auto body = [this, waiting = std::move(waiting)](std::stop_token token) mutable {
        return install(std::move(waiting), token);
    };
    m_installing = ParcelKit::TaskHandle<>::start(std::move(body));
}

QCoro::Task<void> Updater::install(WaitingInstall waiting, std::stop_token token) {
    const QString version = waiting.item.shortVersionString;
    setStatus(AppText::tr("Installing version %1…").arg(version));
    auto job = [install = m_install, archive = std::move(waiting.archive),
                number = waiting.item.version]() -> InstallOutcome {
        try {
            return {install.install(archive, number), {}};
        } catch (const UpdateFailure& failure) {
            return {{}, failure.message};
        }
    };
    QFuture<InstallOutcome> unpacking = QtConcurrent::run(std::move(job));
    const InstallOutcome outcome = co_await unpacking;
    ParcelKit::throwIfCancelled(token);
    if (!outcome.failure.isEmpty()) {
        setStatus(outcome.failure);
        emit finished();
        co_return;
    }
    setStatus(AppText::tr("Version %1 is installed.").arg(version));
    emit finished();
    if (m_setup.restart)
        m_setup.restart(outcome.executable);
}

void Updater::installAtQuit() {
    if (!m_waiting)
        return;
    WaitingInstall waiting = std::move(*m_waiting);
    m_waiting.reset();
    // Nothing is left to keep responsive; a failure keeps the running version, as always.
    try {
        m_install.install(waiting.archive, waiting.item.version);
    } catch (const UpdateFailure&) {
    }
}

void Updater::setStatus(const QString& status) {
    if (m_status == status)
        return;
    m_status = status;
    emit statusChanged();
}

void Updater::setReleaseNotesLink(const QUrl& link) {
    if (m_releaseNotesLink == link)
        return;
    m_releaseNotesLink = link;
    emit releaseNotesLinkChanged();
}

} // namespace Parcella
