#pragma once

#include "AppcastItem.h"

#include "URLSession.h"

#include <QCoroTask>

#include <optional>
#include <stop_token>

namespace Parcella {

// Reads the update feed and downloads release archives through the engine's HTTP layer. Every
// refusal is an UpdateFailure with the user's text; a stop ends an operation with Cancelled.
class ReleaseFetcher {
public:
    ReleaseFetcher(QUrl feedURL, QByteArray publicKey);

    // Archives are held in memory until they are unpacked; a feed announcing more is refused.
    static constexpr qint64 maximumArchiveBytes = 512 * 1024 * 1024;

    // The newest release above `running`, none when the running version is the newest.
    QCoro::Task<std::optional<AppcastItem>> newestRelease(QVersionNumber running,
                                                          std::stop_token token);
    // The archive of `item`, as long as announced and signed by the trusted key; nothing else
    // ever leaves this function.
    QCoro::Task<QByteArray> download(AppcastItem item, std::stop_token token);

private:
    QCoro::Task<QByteArray> fetch(QUrl url, qint64 limit, std::stop_token token);

    QUrl m_feedURL;
    QByteArray m_publicKey;
    ParcelKit::URLSession m_session;
};

} // namespace Parcella
