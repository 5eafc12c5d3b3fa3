#pragma once

#include "PreviewKind.h"
#include "TaskHandle.h"
#include "UploadRecord.h"

#include <QByteArray>
#include <QCoroTask>
#include <QString>

#include <memory>
#include <optional>
#include <stop_token>

class QThreadPool;

namespace ParcelKit {

class APIClient;
class PreviewRenderer;

// Gives finished uploads their preview pictures in the service: renders a thumbnail and a
// preview, has the service sign a storage PUT for each, sends it and reports it complete. Best
// effort and silent; one file at a time in enqueue order, the pictures made on one low-priority
// background thread so that previews never compete with the uploads. Main thread only.
class PreviewUploader {
public:
    // `api` must outlive the uploader.
    PreviewUploader(APIClient& api, std::shared_ptr<const PreviewRenderer> renderer);
    // Stops the jobs still waiting or running; none of them touches the API client afterwards.
    ~PreviewUploader();
    PreviewUploader(const PreviewUploader&) = delete;
    PreviewUploader& operator=(const PreviewUploader&) = delete;

    // Queues the file of a finished upload; returns at once.
    void enqueue(const UploadRecord& record, const QString& uploadID);
    // The most recently queued job; it ends after every job queued before it.
    TaskHandle<void> lastJob() const { return m_last; }

    // Images, PDF documents, and movies of the kinds "mp4", "m4v", "webm" and "mov", judged by
    // the file's extension in any case.
    static bool isPreviewable(const QString& path);

    // Sign, PUT, complete (polling while the service answers 409). Silent; ends early only when
    // `token` stops.
    static QCoro::Task<void> upload(APIClient& api, QString workspaceID, QString uploadID,
                                    QString kind, QByteArray jpeg, std::stop_token token);

private:
    struct Job {
        std::optional<QByteArray> bookmark;
        QString path;
        QString workspaceID;
        QString uploadID;
    };
    struct Shared;

    static QCoro::Task<void> chain(TaskHandle<void> previous, std::shared_ptr<Shared> shared,
                                   Job job, std::stop_token token);
    static QCoro::Task<void> process(std::shared_ptr<Shared> shared, Job job,
                                     std::stop_token token);

    std::shared_ptr<Shared> m_shared;
    std::stop_source m_stop;
    TaskHandle<void> m_last;
};

} // namespace ParcelKit
