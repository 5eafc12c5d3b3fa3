#include "URLOpener.h"

#include "AppModel.h"
#include "SharedBatch.h"

namespace Parcella {

void URLOpener::open(AppModel& model, const QList<QUrl>& urls) {
    QList<QUrl> files;
    for (const QUrl& url : urls)
        if (url.isLocalFile())
            files.append(url);
    if (!files.isEmpty())
        model.addFiles(files);
    for (const QUrl& url : urls) {
        if (url.isLocalFile())
            continue;
        if (const auto id = SharedBatch::batchID(url))
            model.addFilesFrom([id = *id](std::stop_token) { return SharedBatch::take(id); });
        else if (url.scheme() == QLatin1String("parcella"))
            model.showPopover();
    }
}

} // namespace Parcella
