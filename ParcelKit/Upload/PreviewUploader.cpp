#include "PreviewUploader.h"

#include "APIClient.h"
#include "Async.h"
#include "Bookmark.h"
#include "HTTP.h"
#include "MultipartStorage.h"
#include "ParcelKitError.h"
#include "PreviewBody.h"
#include "PreviewRenderer.h"

#include <QCoroFuture>
#include <QFileInfo>
#include <QJsonDocument>
#include <QMimeDatabase>
#include <QThreadPool>
#include <QtConcurrent>

namespace ParcelKit {

namespace {

// A fifth 409 ends the rendition unconfirmed.
constexpr int completionCalls = 5;
constexpr std::chrono::seconds completionWait{2};

const QStringList movieExtensions{"mp4", "m4v", "webm", "mov"};

QString uploadPath(const QString& workspaceID, const QString& uploadID) {
    return QStringLiteral("workspaces/") + workspaceID + QStringLiteral("/uploads/") + uploadID +
           QStringLiteral("/previews");
}

bool isSuccess(int status) {
    return status >= 200 && status <= 299;
}

QCoro::Task<void> complete(APIClient& api, QString path, std::stop_token token) {
    for (int call = 1;; ++call) {
        try {
            co_await api.send("POST", path, std::nullopt, token);
            co_return;
        } catch (const ParcelKitError& error) {
            const bool notYet =
                error.kind() == ParcelKitError::Kind::server && error.status() == 409;
            if (!notYet || call == completionCalls)
                co_return;
        }
        co_await sleepContinuous(completionWait, token);
    }
}

} // namespace

struct PreviewUploader::Shared {
    APIClient* api;
    std::shared_ptr<const PreviewRenderer> renderer;
    QThreadPool pool;
};

PreviewUploader::PreviewUploader(APIClient& api, std::shared_ptr<const PreviewRenderer> renderer)
    : m_shared(std::make_shared<Shared>()) {
    m_shared->api = &api;
    m_shared->renderer = std::move(renderer);
    m_shared->pool.setMaxThreadCount(1);
    m_shared->pool.setThreadPriority(QThread::LowPriority);
}

PreviewUploader::~PreviewUploader() {
    m_stop.request_stop();
}

bool PreviewUploader::isPreviewable(const QString& path) {
    const QString name = QFileInfo(path).fileName().toLower();
    const QMimeType type = QMimeDatabase().mimeTypeForFile(name, QMimeDatabase::MatchExtension);
    if (!type.isValid() || type.isDefault())
        return false;
    const auto conformsTo = [&type](const QString& prefix) {
        if (type.name().startsWith(prefix))
            return true;
        const QStringList ancestors = type.allAncestors();
        return std::any_of(ancestors.cbegin(), ancestors.cend(),
                           [&prefix](const QString& name) { return name.startsWith(prefix); });
    };
    if (conformsTo(QStringLiteral("image/")) || type.inherits(QStringLiteral("application/pdf")))
        return true;
    return conformsTo(QStringLiteral("video/")) &&
           movieExtensions.contains(QFileInfo(name).suffix());
}

void PreviewUploader::enqueue(const UploadRecord& record, const QString& uploadID) {
    Job job{record.bookmark, record.path, record.item.workspaceID, uploadID};
    auto body = [previous = m_last, shared = m_shared, job = std::move(job),
                 token = m_stop.get_token()](std::stop_token) {
        return chain(previous, shared, job, token);
    };
    m_last = TaskHandle<void>::start(std::move(body));
}

QCoro::Task<void> PreviewUploader::chain(TaskHandle<void> previous, std::shared_ptr<Shared> shared,
                                         Job job, std::stop_token token) {
    if (previous.isValid())
        co_await previous.result();
    try {
        co_await process(std::move(shared), std::move(job), std::move(token));
    } catch (...) {
        // Previews are best effort: nothing is reported.
    }
}

QCoro::Task<void> PreviewUploader::process(std::shared_ptr<Shared> shared, Job job,
                                           std::stop_token token) {
    throwIfCancelled(token);
    if (!shared->renderer)
        co_return;
    const QList<PreviewKind> kinds{PreviewKind::thumbnail(), PreviewKind::preview()};
    auto rendering = [renderer = shared->renderer, bookmark = job.bookmark, path = job.path,
                      kinds]() -> QList<std::optional<QByteArray>> {
        const QString located = Bookmark::locate(bookmark, path);
        if (!isPreviewable(located))
            return {};
        return renderer->render(located, kinds);
    };
    QFuture<QList<std::optional<QByteArray>>> future =
        QtConcurrent::run(&shared->pool, std::move(rendering));
    const QList<std::optional<QByteArray>> jpegs = co_await future;
    for (qsizetype i = 0; i < jpegs.size() && i < kinds.size(); ++i) {
        throwIfCancelled(token);
        if (jpegs[i])
            co_await upload(*shared->api, job.workspaceID, job.uploadID, kinds[i].name, *jpegs[i],
                            token);
    }
}

QCoro::Task<void> PreviewUploader::upload(APIClient& api, QString workspaceID, QString uploadID,
                                          QString kind, QByteArray jpeg, std::stop_token token) {
    const QString base = uploadPath(workspaceID, uploadID);
    SignedRequest signedRequest;
    try {
        const QJsonObject body = PreviewBody{kind, QStringLiteral("image/jpeg")}.toJson();
        const APIClient::Answer answer = co_await api.send("POST", base, body, token);
        signedRequest = SignedRequest::fromJson(QJsonDocument::fromJson(answer.body).object());
        HTTPRequest put = MultipartStorage::request(signedRequest, "PUT");
        const HTTP::Answer stored =
            co_await HTTP::upload(api.urlSession(), std::move(put), std::move(jpeg), {}, token);
        if (!isSuccess(stored.response.status))
            co_return;
    } catch (const Cancelled&) {
        throw;
    } catch (...) {
        co_return;
    }
    co_await complete(api, base + QLatin1Char('/') + kind + QStringLiteral("/complete"), token);
}

} // namespace ParcelKit
