#include "UploadWorker.h"

#include "UploadRun.h"

namespace ParcelKit {

UploadWorker::UploadWorker(QUuid itemID, QUuid runID, QString workspaceID, APIClient& api,
                           UploadOptions options, NetworkMonitor& network, ProgressBoard& progress,
                           ByteBudget& budget, UploadWorkerDelegate& queue, QThreadPool* partReads)
    : m_itemID(itemID), m_runID(runID), m_workspaceID(std::move(workspaceID)), m_api(&api),
      m_options(std::move(options)), m_network(&network), m_progress(&progress), m_budget(&budget),
      m_queue(&queue), m_partReads(partReads) {}

QCoro::Task<QString> UploadWorker::run(UploadRecord record, std::stop_token token) const {
    return UploadRun::perform(*this, std::move(record), std::move(token));
}

} // namespace ParcelKit
