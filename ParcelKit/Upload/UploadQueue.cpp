#include "UploadQueue.h"

#include "Async.h"
#include "ByteBudget.h"
#include "FileChangedError.h"
#include "FileExpander.h"
#include "PathNetworkMonitor.h"
#include "PreviewUploader.h"
#include "ProgressBoard.h"
#include "RecordMaker.h"
#include "RunDelegate.h"
#include "UploadWorker.h"

#include <QCoroFuture>
#include <QSet>
#include <QtConcurrent>

#include <algorithm>

namespace ParcelKit {

namespace {

using Case = UploadState::Case;

// What a run task keeps alive for its worker, however long it takes to unwind.
struct RunResources {
    std::shared_ptr<NetworkMonitor> network;
    std::shared_ptr<ProgressBoard> progress;
    std::shared_ptr<ByteBudget> budget;
    std::shared_ptr<RunDelegate> delegate;
    std::shared_ptr<QThreadPool> partReads;
};

// Continues on the next turn of the event loop, so that a run never ends inside the scheduling
// that started it.
QCoro::Task<void> nextTurn(std::stop_token token) {
    auto registration = [](Continuation<> continuation) { continuation.resume(); };
    co_await suspend<void>(std::move(token), std::move(registration));
}

using Outcome = std::variant<QString, std::exception_ptr>;

// `resources` only has to live as long as the run.
QCoro::Task<void> performRun(UploadWorker worker, UploadRecord record, RunResources resources,
                             std::function<void(const Outcome&)> finish, std::stop_token token) {
    Q_UNUSED(resources);
    Outcome outcome;
    try {
        co_await nextTurn(token);
        throwIfCancelled(token);
        outcome = co_await worker.run(std::move(record), token);
    } catch (...) {
        outcome = std::current_exception();
    }
    finish(outcome);
}

// Short enough that a crash loses little (parts already stored are found again on resume).
constexpr std::chrono::milliseconds saveInterval(100);

QString pathOf(const QUrl& url) {
    return url.isLocalFile() ? url.toLocalFile() : url.toString();
}

} // namespace

UploadQueue::UploadQueue(APIClient& api, QUrl storeURL, UploadOptions options,
                         std::shared_ptr<NetworkMonitor> network,
                         std::shared_ptr<const PreviewRenderer> renderer, QObject* parent)
    : QObject(parent), m_api(api), m_store(std::move(storeURL)), m_options(std::move(options)),
      m_paused(m_store.url()),
      m_network(network ? std::move(network) : std::make_shared<PathNetworkMonitor>()),
      m_progress(std::make_shared<ProgressBoard>()),
      m_budget(std::make_shared<ByteBudget>(std::max<qint64>(m_options.memoryBudget, 1))),
      m_partReads(std::make_shared<QThreadPool>()), m_aborter(api),
      m_saves(saveInterval, [this] { writeRecords(); }) {
    // Parts must not wait behind folder walks and saves on the global pool: one thread for each
    // part that can be in flight.
    m_partReads->setMaxThreadCount(std::max(1, m_options.maxConcurrentFiles) *
                                   std::max(1, m_options.maxConcurrentParts));
    if (renderer)
        m_previews = std::make_unique<PreviewUploader>(api, std::move(renderer));
    m_network->watchMetered(this, [this] { updateHold(); });
    restore();
}

UploadQueue::~UploadQueue() {
    m_saves.flush();
    for (const auto& task : std::as_const(m_runTasks))
        task.cancel();
    m_ticker.cancel();
    m_waiters.cancelAll();
}

QCoro::Task<QList<QUuid>> UploadQueue::enqueue(QList<QUrl> urls, QString workspaceID) {
    QStringList paths;
    for (const QUrl& url : urls)
        paths.append(pathOf(url));
    const std::stop_token stop = m_intakeStop.get_token();
    auto examine = [paths, workspaceID, options = m_options, stop] {
        QList<UploadRecord> records;
        for (const QString& path : paths) {
            for (const QString& file : FileExpander::files(path)) {
                if (stop.stop_requested())
                    return QList<UploadRecord>{};
                records.append(RecordMaker::make(file, workspaceID, options));
            }
        }
        return records;
    };
    QFuture<QList<UploadRecord>> examining = QtConcurrent::run(std::move(examine));
    auto added = std::make_shared<QList<QUuid>>();
    auto body = [self = QPointer<UploadQueue>(this), previous = m_intake, examining, added,
                 stop](std::stop_token) { return intake(self, previous, examining, added, stop); };
    m_intake = TaskHandle<void>::start(std::move(body));
    const TaskHandle<void> mine = m_intake;
    co_await mine.result();
    co_return *added;
}

QCoro::Task<void> UploadQueue::intake(QPointer<UploadQueue> self, TaskHandle<void> previous,
                                      QFuture<QList<UploadRecord>> examining,
                                      std::shared_ptr<QList<QUuid>> added, std::stop_token stop) {
    // Never inside the enqueue call: a walk that a pool thread already finished would add its
    // files before the caller could end the intake with removeAll.
    co_await nextTurn(stop);
    // Calls join the list in the order they were made, whichever folder was walked first.
    if (previous.isValid()) {
        try {
            co_await previous.result();
        } catch (const Cancelled&) {
            // Stopped by removeAll; a call made after it goes on.
        }
    }
    QList<UploadRecord> records = co_await examining;
    // Files of a walk that removeAll outran must not come back into the emptied list.
    throwIfCancelled(stop);
    if (self)
        *added = self->add(std::move(records));
}

QList<QUuid> UploadQueue::add(QList<UploadRecord> records) {
    QList<QUuid> ids;
    for (auto& record : records) {
        ids.append(record.item.id);
        m_items.append(record.item);
        m_records.insert(record.item.id, std::move(record));
    }
    reindex();
    afterChange();
    return ids;
}

void UploadQueue::restore() {
    const QSet<QUuid> paused = m_paused.load();
    for (UploadRecord record : m_store.load()) {
        UploadItem& item = record.item;
        if (item.state.kind() == Case::uploading)
            item.state = UploadState::queued();
        if (item.state.kind() == Case::queued) {
            item.bytesSent = record.confirmedBytes();
            item.isPaused = paused.contains(item.id);
        }
        // A repeated id (only a damaged file has one) keeps its last record and one list entry.
        if (m_records.contains(item.id))
            m_items.removeIf([&item](const UploadItem& listed) { return listed.id == item.id; });
        m_items.append(item);
        m_records.insert(item.id, std::move(record));
    }
    reindex();
    m_announcedItems = m_items;
    schedule();
    updateActivity();
    updateTicker();
    announceItems();
}

void UploadQueue::schedule() {
    const int runLimit = std::max(1, m_options.maxConcurrentFiles);
    const int singlePartLimit = std::max(runLimit, m_options.maxConcurrentSinglePartFiles);
    // Runs start in list order, so a larger file that must wait holds back the small ones behind
    // it; each start may change the list, hence the ids first.
    QList<QUuid> starting;
    qsizetype running = m_runs.size();
    for (const auto& item : std::as_const(m_items)) {
        if (running >= singlePartLimit)
            break;
        if (item.state.kind() != Case::queued || !mayRun(item))
            continue;
        const auto record = m_records.constFind(item.id);
        if (record == m_records.cend())
            continue;
        if (running >= (record->isSinglePart() ? singlePartLimit : runLimit))
            break;
        starting.append(item.id);
        ++running;
    }
    for (const QUuid& id : std::as_const(starting))
        startRun(id);
}

void UploadQueue::startRun(const QUuid& id) {
    UploadRecord& record = m_records[id];
    record.item = currentItem(record);
    record.item.state = UploadState::uploading();
    showItem(record.item);
    save();

    const QUuid runID = QUuid::createUuid();
    RunResources resources{m_network, m_progress, m_budget, std::make_shared<RunDelegate>(this),
                           m_partReads};
    UploadWorker worker(id, runID, record.item.workspaceID, m_api, m_options, *m_network,
                        *m_progress, *m_budget, *resources.delegate, m_partReads.get());
    // The run is current before its task starts, so that any outcome finds it.
    m_runs.insert(id, Run{runID, {}});
    auto finish = [self = QPointer<UploadQueue>(this), id, runID](const Outcome& outcome) {
        if (self)
            self->finishRun(id, runID, outcome);
    };
    auto body = [worker, record, resources, finish](std::stop_token token) {
        return performRun(worker, record, resources, finish, std::move(token));
    };
    m_runTasks.removeIf([](const TaskHandle<void>& task) { return task.isFinished(); });
    const auto task = TaskHandle<void>::start(std::move(body));
    m_runTasks.append(task);
    // Still current: the task does nothing before the next turn of the event loop.
    m_runs[id].task = task;
}

void UploadQueue::finishRun(const QUuid& id, const QUuid& runID, const Outcome& outcome) {
    const auto run = m_runs.constFind(id);
    if (run == m_runs.cend() || run->id != runID)
        return;
    m_runs.erase(run);

    const auto found = m_records.find(id);
    if (found != m_records.end() && currentItem(*found).state.kind() == Case::uploading) {
        UploadRecord& record = *found;
        record.item = currentItem(record);
        record.item.retryNotice.reset();
        if (const auto* uploadID = std::get_if<QString>(&outcome)) {
            record.item.state = UploadState::finished(*uploadID);
            record.item.bytesSent = record.item.byteCount;
            record.item.finishedAt = Timestamp::now();
            showItem(record.item);
            if (m_options.makesPreviews && m_previews)
                m_previews->enqueue(record, *uploadID);
        } else {
            failRun(record, std::get<std::exception_ptr>(outcome));
        }
    }
    afterChange();
}

void UploadQueue::failRun(UploadRecord& record, const std::exception_ptr& error) {
    const QUuid id = record.item.id;
    try {
        std::rethrow_exception(error);
    } catch (const Cancelled&) {
        record.item.state = UploadState::queued();
    } catch (const FileChangedError& changed) {
        // The file is not what the stored parts were cut from: they are of no use any more.
        m_aborter.start(record);
        m_errors.insert(id, ParcelKitError::fileUnavailable(changed.message()));
        RecordMaker::resetToScratch(record);
        record.item.state = UploadState::failed(changed.message());
    } catch (...) {
        // The multipart state stays, so a retry resumes with the parts already stored.
        const ParcelKitError wrapped = ParcelKitError::wrapping(std::current_exception());
        QString text = wrapped.userText();
        if (text.isEmpty())
            text = QString::fromUtf8(wrapped.what());
        m_errors.insert(id, wrapped);
        record.item.state = UploadState::failed(text);
    }
    showItem(record.item);
}

void UploadQueue::stopRun(const QUuid& id) {
    if (const auto run = m_runs.take(id); run.task.isValid())
        run.task.cancel();
    m_progress->clear(id);
}

void UploadQueue::updateRecord(const QUuid& itemID, const QUuid& runID,
                               const RecordChange& change) {
    const auto run = m_runs.constFind(itemID);
    const auto found = m_records.find(itemID);
    if (run == m_runs.cend() || run->id != runID || found == m_records.end())
        return;
    const std::optional<QString> multipartBefore = found->multipartUploadID;
    change(*found);
    // The list's entry wins over whatever the change did to the item.
    found->item = currentItem(*found);
    save();
    // Parts lost with a late save are found again by listing them, but a multipart upload the
    // file does not know of could be neither resumed nor aborted. A single-part upload holds
    // nothing until its one part is stored, moments before the completion, so the next save (at
    // most 100 ms away) is soon enough; writing the whole file at once for each of a thousand
    // small files would keep a core busy.
    if (found->multipartUploadID && found->multipartUploadID != multipartBefore &&
        !found->isSinglePart())
        m_saves.flush();
}

void UploadQueue::retrying(const QUuid& itemID, const QUuid& runID,
                           const std::optional<QString>& notice) {
    const auto run = m_runs.constFind(itemID);
    const qsizetype index = indexOf(itemID);
    if (run == m_runs.cend() || run->id != runID || index < 0)
        return;
    m_items[index].retryNotice = notice;
    announceItems();
}

void UploadQueue::cancel(const QUuid& id) {
    UploadRecord* const found = refreshedRecord(id);
    if (!found)
        return;
    UploadRecord& record = *found;
    const Case state = record.item.state.kind();
    if (state != Case::queued && state != Case::uploading && state != Case::failed)
        return;
    stopRun(id);
    record.item.state = UploadState::cancelled();
    record.item.retryNotice.reset();
    record.item.isPaused = false;
    showItem(record.item);
    m_aborter.start(record);
    afterChange();
}

void UploadQueue::retry(const QUuid& id) {
    UploadRecord* const found = refreshedRecord(id);
    if (!found)
        return;
    UploadRecord& record = *found;
    const Case state = record.item.state.kind();
    if (state == Case::failed) {
        m_errors.remove(id);
        if (!record.objectKey)
            RecordMaker::refresh(record, m_options);
        record.item.bytesSent = record.confirmedBytes();
    } else if (state == Case::cancelled) {
        m_errors.remove(id);
        RecordMaker::resetToScratch(record);
        RecordMaker::refresh(record, m_options);
    } else {
        return;
    }
    // A layout the storage would refuse stays failed, saying why, instead of running.
    if (const auto problem = RecordMaker::layoutProblem(record, m_options)) {
        m_errors.insert(id, ParcelKitError::validation(*problem));
        record.item.state = UploadState::failed(*problem);
    } else {
        record.item.state = UploadState::queued();
    }
    showItem(record.item);
    afterChange();
}

void UploadQueue::remove(const QUuid& id) {
    remove(QList<QUuid>{id});
}

void UploadQueue::remove(const QList<QUuid>& ids) {
    QSet<QUuid> removed;
    for (const QUuid& id : ids) {
        const auto found = m_records.constFind(id);
        if (found == m_records.cend())
            continue;
        const Case state = currentItem(*found).state.kind();
        if (state != Case::finished && state != Case::failed && state != Case::cancelled)
            continue;
        // A cancelled item was aborted when it was cancelled; a finished one is complete.
        if (state == Case::failed)
            m_aborter.start(*found);
        m_errors.remove(id);
        removed.insert(id);
    }
    if (removed.isEmpty())
        return;
    for (const QUuid& id : std::as_const(removed))
        m_records.remove(id);
    m_items.removeIf([&removed](const UploadItem& item) { return removed.contains(item.id); });
    reindex();
    afterChange();
}

QCoro::Task<void> UploadQueue::removeAll(std::stop_token token) {
    m_intakeStop.request_stop();
    m_intakeStop = std::stop_source();
    QList<UploadRecord> unfinished;
    for (const auto& item : std::as_const(m_items)) {
        const auto found = m_records.constFind(item.id);
        if (found != m_records.cend() && item.state.kind() != Case::finished)
            unfinished.append(*found);
    }
    for (const QUuid& id : m_runs.keys())
        stopRun(id);
    m_records.clear();
    m_errors.clear();
    m_items.clear();
    reindex();
    afterChange();
    co_await m_aborter.abortAll(std::move(unfinished), std::move(token));
}

void UploadQueue::nudgeNetwork() {
    m_network->nudge();
}

QCoro::Task<void> UploadQueue::tick(QPointer<UploadQueue> self, std::chrono::milliseconds interval,
                                    std::stop_token token) {
    while (!token.stop_requested() && self) {
        self->publishProgress();
        try {
            co_await sleepFor(interval, token);
        } catch (const Cancelled&) {
            // The loop condition ends it.
        }
    }
}

void UploadQueue::updateTicker() {
    if (m_runs.isEmpty()) {
        m_ticker.cancel();
        m_ticker = {};
        return;
    }
    if (m_ticker.isValid())
        return;
    auto body = [self = QPointer<UploadQueue>(this), interval = m_options.progressInterval](
                    std::stop_token token) { return tick(self, interval, std::move(token)); };
    m_ticker = TaskHandle<void>::start(std::move(body));
}

void UploadQueue::publishProgress() {
    for (qsizetype i = 0; i < m_items.size(); ++i) {
        const UploadItem& item = m_items.at(i);
        if (item.state.kind() != Case::uploading)
            continue;
        const auto record = m_records.constFind(item.id);
        const qint64 confirmed = record != m_records.cend() ? record->confirmedBytes() : 0;
        const qint64 sent = std::min(confirmed + m_progress->total(item.id), item.byteCount);
        if (sent != item.bytesSent)
            m_items[i].bytesSent = sent;
    }
    announceItems();
}

void UploadQueue::updateActivity() {
    // Nothing to keep the computer awake for while every upload waits for the user or the network.
    const bool active =
        std::any_of(m_items.cbegin(), m_items.cend(),
                    [this](const UploadItem& item) { return item.isActive() && mayRun(item); });
    m_activity.setHeld(active);
}

void UploadQueue::save() {
    m_saves.request();
}

void UploadQueue::flushSaves() {
    m_saves.flush();
}

void UploadQueue::writeRecords() const {
    QList<UploadRecord> records;
    records.reserve(m_items.size());
    for (const auto& item : m_items) {
        const auto found = m_records.constFind(item.id);
        if (item.state.kind() == Case::cancelled || found == m_records.cend())
            continue;
        UploadRecord record = *found;
        record.item = item;
        records.append(std::move(record));
    }
    m_store.save(std::move(records));
}

void UploadQueue::afterChange() {
    save();
    QSet<QUuid> paused;
    for (const auto& item : std::as_const(m_items))
        if (item.isPaused)
            paused.insert(item.id);
    m_paused.save(paused);
    schedule();
    updateActivity();
    updateTicker();
    resolveWaiters();
    announceItems();
}

void UploadQueue::announceItems() {
    if (m_items == m_announcedItems)
        return;
    m_announcedItems = m_items;
    emit itemsChanged();
}

QCoro::Task<void> UploadQueue::awaitEnd(Pending which, std::stop_token token) {
    const QPointer<UploadQueue> self(this);
    for (;;) {
        throwIfCancelled(token);
        if (!self)
            co_return;
        QList<TaskHandle<void>> pending = self->m_aborter.running();
        if (which == Pending::everything) {
            pending.append(self->m_runTasks);
            pending.append(self->m_intake);
            if (self->m_previews)
                pending.append(self->m_previews->lastJob());
        }
        pending.removeIf(
            [](const TaskHandle<void>& task) { return !task.isValid() || task.isFinished(); });
        if (pending.isEmpty())
            co_return;
        for (const auto& task : pending) {
            try {
                co_await task.result();
            } catch (...) {
                // Only the end matters here.
            }
        }
    }
}

qsizetype UploadQueue::indexOf(const QUuid& id) const {
    return m_positions.value(id, -1);
}

void UploadQueue::reindex() {
    m_positions.clear();
    m_positions.reserve(m_items.size());
    for (qsizetype i = 0; i < m_items.size(); ++i)
        m_positions.insert(m_items[i].id, i);
}

UploadRecord* UploadQueue::refreshedRecord(const QUuid& id) {
    const auto found = m_records.find(id);
    if (found == m_records.end())
        return nullptr;
    found->item = currentItem(*found);
    return &*found;
}

UploadItem UploadQueue::currentItem(const UploadRecord& record) const {
    const qsizetype index = indexOf(record.item.id);
    return index >= 0 ? m_items[index] : record.item;
}

void UploadQueue::showItem(const UploadItem& item) {
    if (const qsizetype index = indexOf(item.id); index >= 0)
        m_items[index] = item;
}

} // namespace ParcelKit
