#pragma once

#include "MultipartAborter.h"
#include "ParcelKitError.h"
#include "PausedUploads.h"
#include "SleepInhibitor.h"
#include "TaskHandle.h"
#include "Throttle.h"
#include "UploadItem.h"
#include "UploadOptions.h"
#include "UploadRecord.h"
#include "UploadStore.h"
#include "UploadWaiters.h"
#include "UploadWorkerDelegate.h"

#include <QCoroTask>
#include <QFuture>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QThreadPool>
#include <QUrl>
#include <QUuid>

#include <exception>
#include <memory>
#include <stop_token>
#include <variant>

namespace ParcelKit {

class APIClient;
class ByteBudget;
class NetworkMonitor;
class PreviewRenderer;
class PreviewUploader;
class ProgressBoard;

// The engine's one entry point for uploads. Turns files into items with resume records, uploads
// at most `maxConcurrentFiles` of them at once in list order, publishes progress while runs exist,
// saves "uploads.json" after every change of an item's state, a record or the list (never for
// progress alone; changes are written together, at most every 100 ms, except a new multipart
// upload, written at once), resumes unfinished uploads when it is created, pauses and resumes
// them on request (or while the network is metered, when asked to), keeps the computer from idle
// sleep while items are active and not paused, and lets callers wait for the service upload ids of
// items. Lives on the main thread; every operation and every worker callback runs there.
class UploadQueue : public QObject, public UploadWorkerDelegate {
    Q_OBJECT
    Q_PROPERTY(QList<ParcelKit::UploadItem> items READ items NOTIFY itemsChanged)
    Q_PROPERTY(
        bool isHeldByMeteredNetwork READ isHeldByMeteredNetwork NOTIFY heldByMeteredNetworkChanged)

public:
    // Restores the records in the store at `storeURL`, resuming unfinished uploads. Without a
    // monitor it watches the system's network; without a renderer no previews are made. `api`
    // must outlive the queue and the tasks it started (see settled()).
    UploadQueue(APIClient& api, QUrl storeURL, UploadOptions options = {},
                std::shared_ptr<NetworkMonitor> network = nullptr,
                std::shared_ptr<const PreviewRenderer> renderer = nullptr,
                QObject* parent = nullptr);
    // Cancels every run and fails every waiter with Cancelled.
    ~UploadQueue() override;

    // Oldest first. itemsChanged fires exactly when the list differs from what it last announced.
    const QList<UploadItem>& items() const { return m_items; }
    const UploadOptions& options() const { return m_options; }

    // Adds the files (folders expanded, see FileExpander) under `workspaceID` and returns the new
    // item ids in the order added; fails with Cancelled when removeAll comes before it ended
    // (nothing is added within the call itself, however fast the walk). Folders are
    // walked and files examined off the main thread; files of several calls join the list in the
    // order of the calls.
    QCoro::Task<QList<QUuid>> enqueue(QList<QUrl> urls, QString workspaceID);
    // queued, uploading or failed → cancelled; the multipart upload is aborted in the background.
    void cancel(const QUuid& id);
    // failed → queued (resuming with the stored parts); cancelled → queued (from scratch).
    void retry(const QUuid& id);
    // A queued or uploading item stops and stays queued, marked paused, until resumed (also
    // across restarts). Its run ends without aborting the multipart upload; the stored parts stay.
    void pause(const QUuid& id);
    // A paused item runs again when a slot is free, sending only the parts storage does not have.
    void resume(const QUuid& id);
    void pauseAll();
    void resumeAll();
    // With `pauses`, no upload runs while the network is metered; the items are not marked paused
    // and run again once it is not. Off at first.
    void setPausesOnMeteredNetworks(bool pauses);
    // Uploads wait for the network to be no longer metered.
    bool isHeldByMeteredNetwork() const { return m_held; }
    // Takes a finished, failed or cancelled item out of the list; active items stay.
    void remove(const QUuid& id);
    // The same for many items in one change of the list (one save, one itemsChanged).
    void remove(const QList<QUuid>& ids);
    // Stops everything (intake still walking folders too: its enqueue ends with Cancelled),
    // empties the list and the file, and returns once the multipart uploads of
    // unfinished items have been aborted. Used at sign-out.
    QCoro::Task<void> removeAll(std::stop_token token = {});

    // The service upload ids of the items, in the order of `ids`, once every one has finished.
    // Fails with the item's error when one fails, and with Cancelled when one is cancelled or not
    // in the list (or when `token` stops).
    QCoro::Task<QStringList> uploadIDs(QList<QUuid> ids, std::stop_token token = {});

    // Writes changes still waiting for their save now (before the computer sleeps, say). The
    // destructor does it too.
    void flushSaves();

    // Wakes every wait for a network change (after the computer woke from sleep).
    void nudgeNetwork();

    // Ends when no run, background abort, intake or preview job of the queue is left, including
    // runs that are still uploading. A command-line client awaits it before quitting.
    QCoro::Task<void> settled(std::stop_token token = {}) {
        return awaitEnd(Pending::everything, std::move(token));
    }
    // Ends when no background abort of a multipart upload is left (of a file that changed, say),
    // whatever runs are still uploading. A command-line client that gives up awaits it.
    QCoro::Task<void> abortsSettled(std::stop_token token = {}) {
        return awaitEnd(Pending::aborts, std::move(token));
    }

    // For running workers: applies `change` to the item's record while `runID` is its current run.
    void updateRecord(const QUuid& itemID, const QUuid& runID, const RecordChange& change) override;
    // For running workers: shows the notice on the item while `runID` is its current run.
    void retrying(const QUuid& itemID, const QUuid& runID,
                  const std::optional<QString>& notice) override;

signals:
    void itemsChanged();
    void heldByMeteredNetworkChanged();

private:
    using Outcome = std::variant<QString, std::exception_ptr>;
    enum class Pending { everything, aborts };
    QCoro::Task<void> awaitEnd(Pending which, std::stop_token token);
    // The current run of an item; its id tells it from a stopped or replaced one.
    struct Run {
        QUuid id;
        TaskHandle<void> task;
    };

    static QCoro::Task<void> intake(QPointer<UploadQueue> self, TaskHandle<void> previous,
                                    QFuture<QList<UploadRecord>> examining,
                                    std::shared_ptr<QList<QUuid>> added, std::stop_token stop);
    static QCoro::Task<void> tick(QPointer<UploadQueue> self, std::chrono::milliseconds interval,
                                  std::stop_token token);

    void restore();
    QList<QUuid> add(QList<UploadRecord> records);

    void schedule();
    void startRun(const QUuid& id);
    void finishRun(const QUuid& id, const QUuid& runID, const Outcome& outcome);
    void stopRun(const QUuid& id);
    // Stops an uploading item's run and queues it again, keeping what storage has.
    void suspendRun(UploadRecord& record);
    void setPaused(const QList<QUuid>& ids, bool paused);
    void updateHold();
    bool mayRun(const UploadItem& item) const;
    void failRun(UploadRecord& record, const std::exception_ptr& error);

    void publishProgress();
    void updateTicker();
    void updateActivity();
    void resolveWaiters();
    std::optional<UploadWaiters::Answer> evaluate(const QList<QUuid>& ids) const;
    // Asks for a save of the list and the records; see m_saves.
    void save();
    void writeRecords() const;
    // Saves, schedules, re-evaluates the ticker, the activity and the waiters, then announces.
    void afterChange();
    void announceItems();

    qsizetype indexOf(const QUuid& id) const;
    // After items were added to or taken out of the list.
    void reindex();
    // The item as the list shows it, else the record's copy.
    UploadItem currentItem(const UploadRecord& record) const;
    // The record of `id` with its item brought up to date from the list; null when there is none.
    UploadRecord* refreshedRecord(const QUuid& id);
    // Writes the record's item into the list entry of the same id.
    void showItem(const UploadItem& item);

    APIClient& m_api;
    UploadStore m_store;
    const UploadOptions m_options;
    PausedUploads m_paused;
    // Shared with the run tasks, which may end after the queue is gone.
    std::shared_ptr<NetworkMonitor> m_network;
    std::shared_ptr<ProgressBoard> m_progress;
    std::shared_ptr<ByteBudget> m_budget;
    // Shared with the run tasks, whose reads may still run when the queue is gone.
    std::shared_ptr<QThreadPool> m_partReads;
    std::unique_ptr<PreviewUploader> m_previews;
    MultipartAborter m_aborter;
    SleepInhibitor m_activity;

    QList<UploadItem> m_items;
    // Where each item is in m_items: lookups by id run for every change of every item.
    QHash<QUuid, qsizetype> m_positions;
    QList<UploadItem> m_announcedItems;
    // Every change asks for a save; with a thousand records a write of each would keep a core busy.
    Throttle m_saves;
    QHash<QUuid, UploadRecord> m_records;
    bool m_pausesOnMeteredNetworks = false;
    bool m_held = false;
    QHash<QUuid, Run> m_runs;
    QHash<QUuid, ParcelKitError> m_errors;
    UploadWaiters m_waiters;
    TaskHandle<void> m_ticker;
    TaskHandle<void> m_intake;
    // Shared by every intake not yet added to the list; removeAll stops it and starts afresh.
    std::stop_source m_intakeStop;
    // Every run task not known to have ended, current or stopped.
    QList<TaskHandle<void>> m_runTasks;
};

} // namespace ParcelKit
