#include "ReleaseFetcher.h"

#include "AppText.h"
#include "Appcast.h"
#include "Cancelled.h"
#include "HTTP.h"
#include "ReleaseSignature.h"
#include "UpdateFailure.h"

#include <QCoroFuture>
#include <QtConcurrent>

namespace Parcella {

ReleaseFetcher::ReleaseFetcher(QUrl feedURL, QByteArray publicKey)
    : m_feedURL(std::move(feedURL)), m_publicKey(std::move(publicKey)) {}

QCoro::Task<QByteArray> ReleaseFetcher::fetch(QUrl url, qint64 limit, std::stop_token token) {
    ParcelKit::HTTPRequest request;
    request.url = url;
    request.answerLimit = limit;
    ParcelKit::HTTP::Answer answer;
    try {
        answer = co_await ParcelKit::HTTP::exchange(m_session, std::move(request), token);
    } catch (const ParcelKit::ParcelKitError& error) {
        throw UpdateFailure(error.userText());
    }
    const int status = answer.response.status;
    if (status < 200 || status > 299)
        throw UpdateFailure(AppText::tr("The update server answered with status %1.").arg(status));
    co_return std::move(answer.body);
}

QCoro::Task<std::optional<AppcastItem>> ReleaseFetcher::newestRelease(QVersionNumber running,
                                                                      std::stop_token token) {
    if (!m_feedURL.isValid() || m_publicKey.isEmpty())
        throw UpdateFailure(AppText::tr("This copy of Parcella has no update feed."));
    QByteArray feed = co_await fetch(m_feedURL, Appcast::maximumFeedBytes, token);
    // Guarded as the reading is, a feed of a MiB still takes too long for the main thread.
    QFuture<QList<AppcastItem>> reading = QtConcurrent::run(&Appcast::read, std::move(feed));
    const QList<AppcastItem> items = co_await reading;
    ParcelKit::throwIfCancelled(token);
    co_return Appcast::newest(items, running);
}

QCoro::Task<QByteArray> ReleaseFetcher::download(AppcastItem item, std::stop_token token) {
    const QString version = item.shortVersionString;
    if (item.length > maximumArchiveBytes)
        throw UpdateFailure(AppText::tr("The update to version %1 is too large.").arg(version));
    QByteArray archive;
    try {
        // One byte over the announced length is enough to tell a longer archive.
        archive = co_await fetch(item.archiveURL, item.length + 1, token);
    } catch (const UpdateFailure& failure) {
        throw UpdateFailure(AppText::tr("The update to version %1 could not be downloaded: %2")
                                .arg(version, failure.message));
    }
    if (archive.size() != item.length)
        throw UpdateFailure(
            AppText::tr("The download of version %1 has the wrong length.").arg(version));
    QFuture<bool> checking =
        QtConcurrent::run(&ReleaseSignature::verify, m_publicKey, item.signature, archive);
    const bool signedByUs = co_await checking;
    ParcelKit::throwIfCancelled(token);
    if (!signedByUs)
        throw UpdateFailure(
            AppText::tr("The update to version %1 is not signed by Parcella and was refused.")
                .arg(version));
    co_return archive;
}

} // namespace Parcella
