#include "AppModel.h"

#include "AppText.h"
#include "DisplayName.h"
#include "Notifier.h"
#include "TransferRows.h"
#include "UploadRows.h"
#include "WakeObserver.h"

#include "Cancelled.h"
#include "ParcelKitError.h"
#include "PicturePreviewRenderer.h"
#include "Sleep.h"

#include <QDir>
#include <QGuiApplication>
#include <QStandardPaths>
#include <QtConcurrent>

namespace Parcella {

using namespace ParcelKit;

namespace {

const QString selectedWorkspaceKey = QStringLiteral("selectedWorkspaceID");
const QString uploadRateLimitKey = QStringLiteral("uploadRateLimit");

// The service that PARCELLA_SERVICE_URL names instead of the configured one, or what is wrong with
// it; none when it is not set.
std::optional<std::variant<QUrl, QString>> environmentService() {
    const QString text = qEnvironmentVariable(ParcellaConfiguration::serviceURLVariable);
    if (text.isEmpty())
        return std::nullopt;
    return ParcellaConfiguration::userServiceURL(text);
}

// A stored value that is not text counts as none.
std::optional<QString> storedText(const QSettings& settings, const QString& key) {
    const QVariant value = settings.value(key);
    if (value.typeId() != QMetaType::QString)
        return std::nullopt;
    return value.toString();
}

} // namespace

AppModel::AppModel(Options options, QObject* parent)
    : QObject(parent), m_options(std::move(options)), m_storageFolder(storageFolderFrom(m_options)),
      m_settings(m_options.settings
                     ? m_options.settings
                     : std::make_shared<QSettings>(QString(), QStringLiteral("Parcella"))),
      m_configuration(configurationFrom(m_options)),
      m_tokens(m_options.keychainService,
               KeychainTokenStore::accountFor(m_configuration.baseURL,
                                              ParcellaConfiguration::fromInstalledInfo().baseURL)),
      m_auth(m_configuration, m_tokens, m_urlSession), m_api(m_configuration, m_auth, m_urlSession),
      m_notifier(new Notifier(this)), m_watcher(m_settings),
      m_pendingStore(QDir(m_storageFolder).filePath(QStringLiteral("pending-send.json")),
                     m_options.keychainService, QStringLiteral("pending-send-password")),
      m_uploadsModel(UploadRows::roleNames()), m_visibleUploadsModel(UploadRows::roleNames()),
      m_pendingItemsModel(UploadRows::roleNames()), m_transfersModel(TransferRows::roleNames()) {
    m_storeWriter.setMaxThreadCount(1);
    // A stored value that is no number, or a negative one, is no limit.
    m_uploadRateLimit = std::max<qint64>(0, m_settings->value(uploadRateLimitKey).toLongLong());
    m_urlSession.setUploadRateLimit(m_uploadRateLimit);
    m_queue = std::make_unique<UploadQueue>(
        m_api, QUrl::fromLocalFile(QDir(m_storageFolder).filePath(QStringLiteral("uploads.json"))),
        m_options.uploadOptions, m_options.network, std::make_shared<PicturePreviewRenderer>());
    connect(m_queue.get(), &UploadQueue::itemsChanged, this, &AppModel::refreshDerived);
    watchMetering();
    m_expiry.setSingleShot(true);
    connect(&m_expiry, &QTimer::timeout, this, &AppModel::refreshDerived);
    m_paceClock.setInterval(std::chrono::seconds(1));
    connect(&m_paceClock, &QTimer::timeout, this, &AppModel::refreshDerived);
    m_selectedWorkspaceID = storedText(*m_settings, selectedWorkspaceKey);
    if (const auto service = environmentService(); service && !m_options.configuration) {
        if (const auto* problem = std::get_if<QString>(&*service))
            m_notice = AppText::tr("%1 (from %2)")
                           .arg(*problem, QLatin1String(ParcellaConfiguration::serviceURLVariable));
    }
    restorePending();
    refreshDerived();
}

AppModel::~AppModel() {
    m_pollTask.cancel();
    m_sendTask.cancel();
    for (const auto& chore : m_chores)
        chore.cancel();
    m_life.request_stop();
    if (m_signIn)
        m_signIn->cancel();
}

QString AppModel::storageFolderFrom(const Options& options) {
    const QString folder = options.storageFolder.isEmpty()
                               ? QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)
                               : options.storageFolder;
    QDir().mkpath(folder);
    return folder;
}

ParcellaConfiguration AppModel::configurationFrom(const Options& options) {
    if (options.configuration)
        return *options.configuration;
    auto configuration = ParcellaConfiguration::fromInstalledInfo();
    if (const auto service = environmentService())
        if (const auto* url = std::get_if<QUrl>(&*service))
            configuration.baseURL = *url;
    return configuration;
}

std::stop_token AppModel::within(std::stop_token token) const {
    return token.stop_possible() ? token : m_life.get_token();
}

void AppModel::startChore(std::function<QCoro::Task<void>(std::stop_token)> body) {
    m_chores.removeIf([](const TaskHandle<void>& chore) { return chore.isFinished(); });
    m_chores.append(TaskHandle<void>::start(std::move(body)));
}

// Observable fields.

void AppModel::setMe(const std::optional<Me>& me) {
    if (assign(m_me, me, &AppModel::meChanged))
        refreshDerived();
}

void AppModel::setTransfers(const QList<Transfer>& transfers) {
    if (m_transfers == transfers)
        return;
    m_transfers = transfers;
    m_transfersModel.setRows(TransferRows::rows(m_transfers));
    emit transfersChanged();
}

void AppModel::setLoadingTransfers(bool loading) {
    m_transferLoads += loading ? 1 : -1;
    const bool isLoading = m_transferLoads > 0;
    assign(m_isLoadingTransfers, isLoading, &AppModel::isLoadingTransfersChanged);
}

void AppModel::setSigningIn(bool signingIn) {
    assign(m_isSigningIn, signingIn, &AppModel::isSigningInChanged);
}

void AppModel::setSending(bool sending) {
    assign(m_isSending, sending, &AppModel::isSendingChanged);
}

void AppModel::setForm(const SendForm& form) {
    if (assign(m_form, form, &AppModel::formChanged))
        refreshDerived();
}

void AppModel::setNotice(const std::optional<QString>& notice) {
    assign(m_notice, notice, &AppModel::noticeChanged);
}

void AppModel::setLastCreated(const std::optional<Transfer>& transfer) {
    assign(m_lastCreated, transfer, &AppModel::lastCreatedChanged);
}

void AppModel::setCopiedTransferID(const std::optional<QString>& id) {
    assign(m_copiedTransferID, id, &AppModel::copiedTransferIDChanged);
}

void AppModel::setPending(const std::optional<PendingSend>& pending) {
    if (assign(m_pending, pending, &AppModel::pendingChanged))
        refreshDerived();
}

void AppModel::setWelcoming(bool welcoming) {
    assign(m_isWelcoming, welcoming, &AppModel::isWelcomingChanged);
}

void AppModel::setSelectedWorkspaceID(const std::optional<QString>& id) {
    if (id)
        m_settings->setValue(selectedWorkspaceKey, *id);
    else
        m_settings->remove(selectedWorkspaceKey);
    if (m_selectedWorkspaceID == id)
        return;
    m_selectedWorkspaceID = id;
    emit selectedWorkspaceIDChanged();
    setTransfers({});
    refreshDerived();
    startChore([this](std::stop_token token) { return loadTransfers(token); });
}

void AppModel::setUploadRateLimit(qint64 bytesPerSecond) {
    if (!assign(m_uploadRateLimit, std::max<qint64>(0, bytesPerSecond),
                &AppModel::uploadRateLimitChanged))
        return;
    m_settings->setValue(uploadRateLimitKey, m_uploadRateLimit);
    m_urlSession.setUploadRateLimit(m_uploadRateLimit);
}

// Derived values.

std::optional<Workspace> AppModel::workspace() const {
    return m_workspace;
}

bool AppModel::canSend() const {
    return m_canSend;
}

void AppModel::refreshDerived() {
    std::optional<Workspace> workspace;
    if (m_me && !m_me->workspaces.isEmpty()) {
        workspace = m_me->workspaces.first();
        for (const Workspace& candidate : m_me->workspaces) {
            if (candidate.id == m_selectedWorkspaceID) {
                workspace = candidate;
                break;
            }
        }
    }
    if (m_workspace != workspace) {
        m_workspace = workspace;
        emit workspaceChanged();
    }

    const Timestamp now = Timestamp::now();
    UploadLists lists = UploadLists::of(
        m_queue->items(), workspace ? std::optional<QString>(workspace->id) : std::nullopt,
        m_pending, now);
    std::swap(m_lists, lists);
    const UploadLists& old = lists;
    const QHash<QUuid, QString> paces = measurePaces();
    // A hold or a new pace shows on rows whose items did not change.
    const bool held = isPausedByMetering();
    const bool heldChanged = std::exchange(m_rowsHeld, held) != held;
    const bool reshow = std::exchange(m_paces, paces) != paces || heldChanged;
    if (reshow || old.uploads != m_lists.uploads)
        m_uploadsModel.setRows(UploadRows::rows(m_lists.uploads, paces, held));
    if (old.uploads != m_lists.uploads)
        emit uploadsChanged();
    if (reshow || old.visibleUploads != m_lists.visibleUploads)
        m_visibleUploadsModel.setRows(UploadRows::rows(m_lists.visibleUploads, paces, held));
    if (old.visibleUploads != m_lists.visibleUploads)
        emit visibleUploadsChanged();
    if (reshow || old.pendingItems != m_lists.pendingItems)
        m_pendingItemsModel.setRows(UploadRows::rows(m_lists.pendingItems, paces, held));
    if (old.pendingItems != m_lists.pendingItems)
        emit pendingItemsChanged();
    if (old.isAnythingPaused != m_lists.isAnythingPaused)
        emit isAnythingPausedChanged();
    if (old.isUploading != m_lists.isUploading)
        emit isUploadingChanged();
    if (old.progress != m_lists.progress)
        emit progressChanged();
    updateSecondsLeft();
    if (!m_lists.isUploading)
        m_paceClock.stop();
    else if (!m_paceClock.isActive())
        m_paceClock.start();
    if (old.hasFailedUploads != m_lists.hasFailedUploads)
        emit hasFailedUploadsChanged();
    if (old.totalBytes != m_lists.totalBytes)
        emit totalBytesChanged();

    scheduleExpiry(now);

    const bool canSend = !m_pending && !m_lists.visibleUploads.isEmpty() &&
                         !m_lists.hasFailedUploads && !m_form.validationMessage();
    if (m_canSend != canSend) {
        m_canSend = canSend;
        emit canSendChanged();
    }
}

// Finished uploads leave the visible ones as they age, without any change of the queue.
void AppModel::scheduleExpiry(Timestamp now) {
    std::optional<double> next;
    for (const UploadItem& item : m_lists.visibleUploads) {
        if (item.state.kind() != UploadState::Case::finished || !item.finishedAt)
            continue;
        const double left = UploadLists::keepFinishedSeconds - now.secondsSince(*item.finishedAt);
        next = std::min(next.value_or(left), left);
    }
    if (!next) {
        m_expiry.stop();
        return;
    }
    // Just past the moment, since an upload exactly at the limit is still shown.
    m_expiry.start(std::chrono::milliseconds(qint64(std::max(0.0, *next) * 1000) + 1));
}

// Account and transfers.

QCoro::Task<void> AppModel::loadAccount(std::stop_token token) {
    QPointer<AppModel> alive(this);
    Me me;
    try {
        me = co_await m_api.me(within(token));
    } catch (...) {
        if (alive)
            report(std::current_exception());
        co_return;
    }
    if (!alive)
        co_return;
    setMe(me);
    const bool known =
        std::any_of(me.workspaces.begin(), me.workspaces.end(),
                    [&](const Workspace& w) { return w.id == m_selectedWorkspaceID; });
    if (!known)
        setSelectedWorkspaceID(me.workspaces.isEmpty()
                                   ? std::nullopt
                                   : std::optional<QString>(me.workspaces.first().id));
    pruneToWorkspaces(me.workspaces);
    flushPendingFiles();
    co_await loadTransfers(token);
}

QCoro::Task<void> AppModel::loadTransfers(std::stop_token token) {
    const auto chosen = workspace();
    if (!chosen)
        co_return;
    QPointer<AppModel> alive(this);
    const QString id = chosen->id;
    setLoadingTransfers(true);
    try {
        const QList<Transfer> list = co_await m_api.transfers(id, within(token));
        if (!alive)
            co_return;
        // The user may have switched workspaces meanwhile.
        if (const auto current = workspace(); current && current->id == id)
            setTransfers(list);
    } catch (...) {
        if (!alive)
            co_return;
        report(std::current_exception());
    }
    setLoadingTransfers(false);
}

void AppModel::pruneToWorkspaces(const QList<Workspace>& workspaces) {
    QSet<QString> ids;
    for (const Workspace& workspace : workspaces)
        ids.insert(workspace.id);
    if (m_pending && !ids.contains(m_pending->workspaceID)) {
        stopSending();
        dropPending();
    }
    QList<QUuid> gone;
    for (const UploadItem& item : m_queue->items())
        if (!ids.contains(item.workspaceID))
            gone.append(item.id);
    for (const QUuid& id : gone)
        m_queue->cancel(id);
    if (!gone.isEmpty())
        m_queue->remove(gone);
}

void AppModel::report(std::exception_ptr error) {
    try {
        std::rethrow_exception(error);
    } catch (const Cancelled&) {
    } catch (const ParcelKitError& failure) {
        if (failure.kind() == ParcelKitError::Kind::notSignedIn)
            setMe(std::nullopt);
        setNotice(failure.userText());
    } catch (const std::exception& failure) {
        setNotice(ParcelKitError::wrapping(failure).userText());
    } catch (...) {
        setNotice(ParcelKitError::network(QString()).userText());
    }
}

// Polling and waking.

void AppModel::startPolling() {
    m_pollTask.cancel();
    QPointer<AppModel> self(this);
    const auto interval = m_options.pollInterval;
    m_pollTask = TaskHandle<void>::start(
        [self, interval](std::stop_token token) { return pollLoop(self, interval, token); });
}

QCoro::Task<void> AppModel::pollLoop(QPointer<AppModel> self, std::chrono::milliseconds interval,
                                     std::stop_token token) {
    while (!token.stop_requested()) {
        try {
            co_await sleepContinuous(interval, token);
        } catch (const Cancelled&) {
        }
        if (token.stop_requested() || !self)
            co_return;
        co_await self->pollDownloads(token);
    }
}

QCoro::Task<void> AppModel::pollDownloads(std::stop_token token) {
    if (!m_auth.isSignedIn() || !m_me)
        co_return;
    QPointer<AppModel> alive(this);
    const QList<Workspace> workspaces = m_me->workspaces;
    QList<Transfer> all;
    for (const Workspace& listed : workspaces) {
        QList<Transfer> list;
        try {
            list = co_await m_api.transfers(listed.id, within(token));
        } catch (...) {
            // One failed listing skips the whole pass, silently: the next one tries again.
            co_return;
        }
        if (!alive)
            co_return;
        all += list;
        if (const auto current = workspace(); current && current->id == listed.id)
            setTransfers(list);
    }
    for (const Transfer& transfer : m_watcher.firstDownloads(all))
        m_notifier->post(AppText::tr("First download"),
                         AppText::tr("«%1» was downloaded.").arg(displayName(transfer)),
                         transfer.url);
}

void AppModel::startWakeObserver() {
    if (m_wakeObserver)
        return;
    m_wakeObserver = new WakeObserver(QDBusConnection::systemBus(), this);
    connect(m_wakeObserver, &WakeObserver::woke, this, [this] { m_queue->nudgeNetwork(); });
}

// Signing in and out.

QCoro::Task<void> AppModel::signIn(std::stop_token token) {
    QPointer<AppModel> alive(this);
    setSigningIn(true);
    setNotice(std::nullopt);
    // A second sign-in replaces the waiting one, which ends silently.
    if (m_signIn)
        m_signIn->cancel();
    QPointer<SignInController> controller = new SignInController(m_options.openBrowser, this);
    m_signIn = controller;
    std::optional<QUrl> callback;
    try {
        const QUrl url = m_auth.signInURL();
        callback = co_await controller->signIn(url, QStringLiteral("parcella"));
    } catch (...) {
        if (!alive)
            co_return;
        report(std::current_exception());
    }
    if (!alive)
        co_return;
    if (controller)
        controller->deleteLater();
    if (m_signIn != controller)
        co_return;
    if (!callback) {
        setSigningIn(false);
        co_return;
    }
    try {
        co_await m_auth.completeSignIn(*callback, within(token));
    } catch (...) {
        if (!alive)
            co_return;
        report(std::current_exception());
        setSigningIn(false);
        co_return;
    }
    if (!alive)
        co_return;
    co_await loadAccount(token);
    if (!alive)
        co_return;
    startPolling();
    resumePendingSend();
    setWelcoming(m_lists.uploads.isEmpty());
    showPopover();
    setSigningIn(false);
}

void AppModel::cancelSignIn() {
    if (m_signIn)
        m_signIn->cancel();
}

QCoro::Task<void> AppModel::signOut(std::stop_token token) {
    QPointer<AppModel> alive(this);
    m_pollTask.cancel();
    m_pollTask = {};
    stopSending();
    dropPending();
    setPendingFiles({});
    try {
        co_await m_queue->removeAll(within(token));
    } catch (...) {
        if (!alive)
            co_return;
    }
    if (!alive)
        co_return;
    co_await m_auth.signOut(within(token));
    if (!alive)
        co_return;
    setMe(std::nullopt);
    setTransfers({});
    setLastCreated(std::nullopt);
    setWelcoming(false);
    setForm(SendForm{});
    setNotice(std::nullopt);
}

QHash<QUuid, QString> AppModel::measurePaces() {
    if (!m_rateClock.isValid())
        m_rateClock.start();
    const qint64 now = m_rateClock.elapsed();
    QHash<QUuid, TransferRate> rates;
    QHash<QUuid, QString> paces;
    for (const auto* list : {&m_lists.uploads, &m_lists.pendingItems}) {
        for (const UploadItem& item : *list) {
            if (item.state.kind() != UploadState::Case::uploading)
                continue;
            TransferRate rate = m_itemRates.value(item.id);
            rate.add(now, item.bytesSent);
            if (const auto perSecond = rate.bytesPerSecond())
                paces.insert(item.id, TransferRate::rateText(*perSecond) + QStringLiteral(" · ") +
                                          TransferRate::timeLeftText(
                                              rate.secondsLeft(item.byteCount).value_or(0)));
            rates.insert(item.id, rate);
        }
    }
    // Items no longer uploading drop out, so a restarted one measures anew.
    m_itemRates = std::move(rates);
    return paces;
}

void AppModel::updateSecondsLeft() {
    m_totalRate.add(m_rateClock.elapsed(), m_lists.bytesSentInAll);
    const auto left =
        m_lists.isUploading
            ? m_totalRate.secondsLeft(m_lists.bytesSentInAll + m_lists.activeBytesLeft)
            : std::nullopt;
    assign(m_secondsLeft, left, &AppModel::secondsLeftChanged);
}

} // namespace Parcella
