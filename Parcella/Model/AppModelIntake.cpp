// File intake of the application model: every source of files ends here.
#include "AppModel.h"

#include "AppText.h"

namespace Parcella {

namespace {

// The new items' ids are of no use here; the lists show them.
QCoro::Task<void> enqueueAll(ParcelKit::UploadQueue* queue, QList<QUrl> files,
                             QString workspaceID) {
    co_await queue->enqueue(std::move(files), std::move(workspaceID));
}

} // namespace

void AppModel::setPendingFiles(const QList<QUrl>& files) {
    if (m_pendingFiles == files)
        return;
    m_pendingFiles = files;
    emit pendingFilesChanged();
}

void AppModel::addFiles(const QList<QUrl>& urls) {
    m_intake.add(urls, [this](const ClassifiedFiles& found) { acceptFiles(found); });
}

void AppModel::addFilesFrom(FileIntake::Gather gather) {
    m_intake.addGathered(std::move(gather),
                         [this](const ClassifiedFiles& found) { acceptFiles(found); });
}

void AppModel::acceptFiles(const ClassifiedFiles& found) {
    if (!found.bundles.isEmpty())
        setNotice(
            AppText::tr("Apps and other bundles can’t be sent as they are. Compress them first."));
    if (!found.files.isEmpty()) {
        setLastCreated(std::nullopt);
        setWelcoming(false);
        setPendingFiles(m_pendingFiles + found.files);
        flushPendingFiles();
    }
    showPopover();
}

void AppModel::flushPendingFiles() {
    const auto chosen = workspace();
    if (!m_auth.isSignedIn() || !chosen || m_pendingFiles.isEmpty())
        return;
    const QList<QUrl> files = m_pendingFiles;
    setPendingFiles({});
    // The queue turns missing or oversized files into failed items itself.
    startChore([queue = m_queue.get(), files, id = chosen->id](std::stop_token) {
        return enqueueAll(queue, files, id);
    });
}

} // namespace Parcella
