#pragma once

#include "AppModelOptions.h"
#include "DiffListModel.h"
#include "DownloadWatcher.h"
#include "FileIntake.h"
#include "PendingSend.h"
#include "PendingSendStore.h"
#include "SendForm.h"
#include "SignInController.h"
#include "UploadLists.h"

#include "APIClient.h"
#include "AuthSession.h"
#include "KeychainTokenStore.h"
#include "Me.h"
#include "ParcellaConfiguration.h"
#include "TaskHandle.h"
#include "Transfer.h"
#include "TransferRate.h"
#include "URLSession.h"
#include "UploadOptions.h"
#include "UploadQueue.h"

#include <QCoroTask>
#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QSettings>
#include <QThreadPool>
#include <QTimer>
#include <QUrl>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

namespace Parcella {

class Notifier;
class WakeObserver;

// The one observable object behind the tray interface: the session, the account and its
// workspaces, the recent transfers, the uploads, the send form, the pending send and a one-line
// notice. Every user action is one of its operations; none throws, failures become the notice.
// Lives on the main thread.
class AppModel : public QObject {
    Q_OBJECT
    Q_PROPERTY(std::optional<ParcelKit::Me> me READ me NOTIFY meChanged)
    Q_PROPERTY(QList<ParcelKit::Transfer> transfers READ transfers NOTIFY transfersChanged)
    Q_PROPERTY(bool isLoadingTransfers READ isLoadingTransfers NOTIFY isLoadingTransfersChanged)
    Q_PROPERTY(bool isSigningIn READ isSigningIn NOTIFY isSigningInChanged)
    Q_PROPERTY(bool isSending READ isSending NOTIFY isSendingChanged)
    Q_PROPERTY(Parcella::SendForm form READ form WRITE setForm NOTIFY formChanged)
    Q_PROPERTY(std::optional<QString> notice READ notice WRITE setNotice NOTIFY noticeChanged)
    Q_PROPERTY(std::optional<ParcelKit::Transfer> lastCreated READ lastCreated WRITE setLastCreated
                   NOTIFY lastCreatedChanged)
    Q_PROPERTY(std::optional<QString> copiedTransferID READ copiedTransferID NOTIFY
                   copiedTransferIDChanged)
    Q_PROPERTY(std::optional<Parcella::PendingSend> pending READ pending NOTIFY pendingChanged)
    Q_PROPERTY(bool isWelcoming READ isWelcoming WRITE setWelcoming NOTIFY isWelcomingChanged)
    Q_PROPERTY(std::optional<QString> selectedWorkspaceID READ selectedWorkspaceID WRITE
                   setSelectedWorkspaceID NOTIFY selectedWorkspaceIDChanged)
    Q_PROPERTY(QList<QUrl> pendingFiles READ pendingFiles NOTIFY pendingFilesChanged)
    Q_PROPERTY(qint64 uploadRateLimit READ uploadRateLimit WRITE setUploadRateLimit NOTIFY
                   uploadRateLimitChanged)

    Q_PROPERTY(std::optional<ParcelKit::Workspace> workspace READ workspace NOTIFY workspaceChanged)
    Q_PROPERTY(QList<ParcelKit::UploadItem> uploads READ uploads NOTIFY uploadsChanged)
    Q_PROPERTY(QList<ParcelKit::UploadItem> visibleUploads READ visibleUploads NOTIFY
                   visibleUploadsChanged)
    Q_PROPERTY(
        QList<ParcelKit::UploadItem> pendingItems READ pendingItems NOTIFY pendingItemsChanged)
    Q_PROPERTY(bool isUploading READ isUploading NOTIFY isUploadingChanged)
    Q_PROPERTY(double progress READ progress NOTIFY progressChanged)
    // Until all active uploads are done, once their rate is steady.
    Q_PROPERTY(std::optional<qint64> secondsLeft READ secondsLeft NOTIFY secondsLeftChanged)
    Q_PROPERTY(bool hasFailedUploads READ hasFailedUploads NOTIFY hasFailedUploadsChanged)
    Q_PROPERTY(qint64 totalBytes READ totalBytes NOTIFY totalBytesChanged)
    Q_PROPERTY(bool canSend READ canSend NOTIFY canSendChanged)
    // Some upload, in any workspace, waits for the user to resume it.
    Q_PROPERTY(bool isAnythingPaused READ isAnythingPaused NOTIFY isAnythingPausedChanged)
    // Uploads wait because the network is metered and the user did not allow uploading on it.
    Q_PROPERTY(bool isPausedByMetering READ isPausedByMetering NOTIFY isPausedByMeteringChanged)
    // "Upload on metered connections"; off until the user allows it, kept in the settings.
    Q_PROPERTY(bool uploadsOnMeteredConnections READ uploadsOnMeteredConnections WRITE
                   setUploadsOnMeteredConnections NOTIFY uploadsOnMeteredConnectionsChanged)

    Q_PROPERTY(QAbstractListModel* uploadsModel READ uploadsModel CONSTANT)
    Q_PROPERTY(QAbstractListModel* visibleUploadsModel READ visibleUploadsModel CONSTANT)
    Q_PROPERTY(QAbstractListModel* pendingItemsModel READ pendingItemsModel CONSTANT)
    Q_PROPERTY(QAbstractListModel* transfersModel READ transfersModel CONSTANT)

public:
    using Options = AppModelOptions;

    explicit AppModel(Options options = {}, QObject* parent = nullptr);
    // Cancels the model's tasks and waits for the pending send's writes.
    ~AppModel() override;

    ParcelKit::AuthSession& auth() { return m_auth; }
    ParcelKit::UploadQueue& queue() { return *m_queue; }
    ParcelKit::APIClient& api() { return m_api; }
    const ParcelKit::ParcellaConfiguration& configuration() const { return m_configuration; }
    QString storageFolder() const { return m_storageFolder; }

    const std::optional<ParcelKit::Me>& me() const { return m_me; }
    const QList<ParcelKit::Transfer>& transfers() const { return m_transfers; }
    bool isLoadingTransfers() const { return m_isLoadingTransfers; }
    bool isSigningIn() const { return m_isSigningIn; }
    bool isSending() const { return m_isSending; }
    const SendForm& form() const { return m_form; }
    void setForm(const SendForm& form);
    const std::optional<QString>& notice() const { return m_notice; }
    void setNotice(const std::optional<QString>& notice);
    const std::optional<ParcelKit::Transfer>& lastCreated() const { return m_lastCreated; }
    void setLastCreated(const std::optional<ParcelKit::Transfer>& transfer);
    const std::optional<QString>& copiedTransferID() const { return m_copiedTransferID; }
    const std::optional<PendingSend>& pending() const { return m_pending; }
    bool isWelcoming() const { return m_isWelcoming; }
    void setWelcoming(bool welcoming);
    const std::optional<QString>& selectedWorkspaceID() const { return m_selectedWorkspaceID; }
    // Always mirrored in the settings; a different workspace empties and reloads the transfers.
    void setSelectedWorkspaceID(const std::optional<QString>& id);
    // Files accepted while no workspace is there to take them, in arrival order.
    const QList<QUrl>& pendingFiles() const { return m_pendingFiles; }
    // Bytes per second for all uploads together, 0 for no limit; kept in the settings.
    qint64 uploadRateLimit() const { return m_uploadRateLimit; }
    void setUploadRateLimit(qint64 bytesPerSecond);

    std::optional<ParcelKit::Workspace> workspace() const;
    const QList<ParcelKit::UploadItem>& uploads() const { return m_lists.uploads; }
    const QList<ParcelKit::UploadItem>& visibleUploads() const { return m_lists.visibleUploads; }
    const QList<ParcelKit::UploadItem>& pendingItems() const { return m_lists.pendingItems; }
    bool isUploading() const { return m_lists.isUploading; }
    double progress() const { return m_lists.progress; }
    std::optional<qint64> secondsLeft() const { return m_secondsLeft; }
    bool hasFailedUploads() const { return m_lists.hasFailedUploads; }
    qint64 totalBytes() const { return m_lists.totalBytes; }
    bool canSend() const;
    bool isAnythingPaused() const { return m_lists.isAnythingPaused; }
    bool isPausedByMetering() const;
    bool uploadsOnMeteredConnections() const;
    void setUploadsOnMeteredConnections(bool allowed);

    QAbstractListModel* uploadsModel() { return &m_uploadsModel; }
    QAbstractListModel* visibleUploadsModel() { return &m_visibleUploadsModel; }
    QAbstractListModel* pendingItemsModel() { return &m_pendingItemsModel; }
    QAbstractListModel* transfersModel() { return &m_transfersModel; }

    // Installed by the status item.
    std::function<void()> showPopover = [] {};

    // Session, account and transfers.
    // The asynchronous operations stop at `token`, or with the model when it has none.
    QCoro::Task<void> signIn(std::stop_token token = {});
    // Ends a waiting sign-in the way closing the browser would: silently.
    Q_INVOKABLE void cancelSignIn();
    QCoro::Task<void> signOut(std::stop_token token = {});
    QCoro::Task<void> loadAccount(std::stop_token token = {});
    QCoro::Task<void> loadTransfers(std::stop_token token = {});
    void startPolling();
    QCoro::Task<void> pollDownloads(std::stop_token token = {});
    void startWakeObserver();
    void copyLink(const ParcelKit::Transfer& transfer);
    QCoro::Task<void> changeExpiry(ParcelKit::Transfer transfer, qint64 days,
                                   std::stop_token token = {});
    QCoro::Task<void> deleteTransfer(ParcelKit::Transfer transfer, std::stop_token token = {});
    void replace(const ParcelKit::Transfer& transfer);
    // Turns a failure into the notice; a cancellation is ignored.
    void report(std::exception_ptr error);
    void pruneToWorkspaces(const QList<ParcelKit::Workspace>& workspaces);

    // File intake, from every source. Packages are refused with a notice, folders expanded, and
    // the files queued in the current workspace or kept until there is one; the popover opens in
    // every case. The files are examined off the main thread; the calls take effect in order.
    Q_INVOKABLE void addFiles(const QList<QUrl>& urls);
    // The same with the files that `gather` finds off the main thread; when it finds none (an
    // unreadable batch), nothing happens at all.
    void addFilesFrom(FileIntake::Gather gather);
    void flushPendingFiles();

    // Pausing: an upload keeps what it sent and goes on from there when resumed, also after a
    // restart. All means every upload of every workspace.
    void pauseUpload(const QUuid& id);
    void resumeUpload(const QUuid& id);
    void pauseAll();
    void resumeAll();

    // The send flow.
    QCoro::Task<void> send();
    void resumePendingSend();
    void discardPendingSend();
    void persistPending();

signals:
    void meChanged();
    void transfersChanged();
    void isLoadingTransfersChanged();
    void isSigningInChanged();
    void isSendingChanged();
    void formChanged();
    void noticeChanged();
    void lastCreatedChanged();
    void copiedTransferIDChanged();
    void pendingChanged();
    void isWelcomingChanged();
    void selectedWorkspaceIDChanged();
    void pendingFilesChanged();
    void uploadRateLimitChanged();
    void workspaceChanged();
    void uploadsChanged();
    void visibleUploadsChanged();
    void pendingItemsChanged();
    void isUploadingChanged();
    void progressChanged();
    void secondsLeftChanged();
    void hasFailedUploadsChanged();
    void totalBytesChanged();
    void canSendChanged();
    void isAnythingPausedChanged();
    void isPausedByMeteringChanged();
    void uploadsOnMeteredConnectionsChanged();

private:
    // Stores `value` and announces it through `changed` only when it differs; true when it did.
    template <typename T> bool assign(T& field, const T& value, void (AppModel::*changed)()) {
        if (field == value)
            return false;
        field = value;
        emit(this->*changed)();
        return true;
    }
    static ParcelKit::ParcellaConfiguration configurationFrom(const Options& options);
    static QString storageFolderFrom(const Options& options);

    void setMe(const std::optional<ParcelKit::Me>& me);
    void setTransfers(const QList<ParcelKit::Transfer>& transfers);
    void setLoadingTransfers(bool loading);
    // Feeds the rate of every uploading item; its pace once steady.
    QHash<QUuid, QString> measurePaces();
    // After `measurePaces`, which starts the clock.
    void updateSecondsLeft();
    void setSigningIn(bool signingIn);
    void setSending(bool sending);
    void setCopiedTransferID(const std::optional<QString>& id);
    void setPending(const std::optional<PendingSend>& pending);
    void setPendingFiles(const QList<QUrl>& files);
    void acceptFiles(const ClassifiedFiles& found);
    // Recomputes the derived values and announces those that changed.
    void refreshDerived();
    void scheduleExpiry(ParcelKit::Timestamp now);
    // Hands the user's choice on metered connections to the queue and follows its hold.
    void watchMetering();
    void restorePending();
    // No pending send any more, in memory and in the store.
    void dropPending();
    // Ends the send task's busy state unless another send task has started since.
    void stopSending();
    void endSending(const std::stop_token& token);
    std::stop_token within(std::stop_token token) const;
    void startChore(std::function<QCoro::Task<void>(std::stop_token)> body);

    QCoro::Task<void> runPendingSend(std::stop_token token);
    QCoro::Task<std::optional<QStringList>> waitForUploads(std::stop_token token);
    void didCreate(const ParcelKit::Transfer& transfer);
    static QCoro::Task<void> pollLoop(QPointer<AppModel> self, std::chrono::milliseconds interval,
                                      std::stop_token token);
    QCoro::Task<void> resetCopied(QString id, std::stop_token token);

    Options m_options;
    QString m_storageFolder;
    std::shared_ptr<QSettings> m_settings;
    ParcelKit::ParcellaConfiguration m_configuration;
    ParcelKit::URLSession m_urlSession;
    ParcelKit::KeychainTokenStore m_tokens;
    ParcelKit::AuthSession m_auth;
    ParcelKit::APIClient m_api;
    std::unique_ptr<ParcelKit::UploadQueue> m_queue;
    Notifier* m_notifier;
    DownloadWatcher m_watcher;
    PendingSendStore m_pendingStore;
    QString m_pendingPassword;
    WakeObserver* m_wakeObserver = nullptr;
    QPointer<SignInController> m_signIn;

    std::stop_source m_life;
    ParcelKit::TaskHandle<void> m_pollTask;
    ParcelKit::TaskHandle<void> m_sendTask;
    // Reloads after a workspace change and copied-link resets; cancelled with the model.
    QList<ParcelKit::TaskHandle<void>> m_chores;

    std::optional<ParcelKit::Me> m_me;
    QList<ParcelKit::Transfer> m_transfers;
    bool m_isLoadingTransfers = false;
    // Transfer lists being loaded; the flag stays up until the last one ends.
    int m_transferLoads = 0;
    bool m_isSigningIn = false;
    bool m_isSending = false;
    SendForm m_form;
    std::optional<QString> m_notice;
    std::optional<ParcelKit::Transfer> m_lastCreated;
    std::optional<QString> m_copiedTransferID;
    std::optional<PendingSend> m_pending;
    bool m_isWelcoming = false;
    std::optional<QString> m_selectedWorkspaceID;
    QList<QUrl> m_pendingFiles;
    qint64 m_uploadRateLimit = 0;
    FileIntake m_intake;

    std::optional<ParcelKit::Workspace> m_workspace;
    UploadLists m_lists;
    QElapsedTimer m_rateClock;
    ParcelKit::TransferRate m_totalRate;
    QHash<QUuid, ParcelKit::TransferRate> m_itemRates;
    std::optional<qint64> m_secondsLeft;
    bool m_canSend = false;
    // Whether the rows last shown were held by a metered network.
    bool m_rowsHeld = false;
    // The rates and times left the rows last showed, by item.
    QHash<QUuid, QString> m_paces;
    // Fires when the next finished upload ages out of the visible ones.
    QTimer m_expiry;
    // Measures again while uploads run, so a stall clears the rate and time left that no
    // longer hold, though the queue announces nothing while no byte moves.
    QTimer m_paceClock;
    DiffListModel m_uploadsModel;
    DiffListModel m_visibleUploadsModel;
    DiffListModel m_pendingItemsModel;
    DiffListModel m_transfersModel;

    // One thread keeps the pending send's writes in order without blocking the main thread on
    // the disk or the keychain; declared last so that it finishes them before the rest goes.
    QThreadPool m_storeWriter;
};

} // namespace Parcella
