#pragma once

#include "Transfer.h"

#include <QList>
#include <QSettings>

#include <functional>
#include <memory>

namespace Parcella {

// Remembers the download count of every known transfer in the user's settings and tells which
// transfers were downloaded for the first time.
class DownloadWatcher {
public:
    static constexpr const char* countsKey = "downloadWatcher.counts";
    static constexpr const char* sinceKey = "downloadWatcher.since";

    // Stores the current moment under "since" the first time it is built with these settings.
    explicit DownloadWatcher(std::shared_ptr<QSettings> settings);

    void remember(const ParcelKit::Transfer& transfer);
    // In the order given; replaces the stored counts with those of `transfers`.
    QList<ParcelKit::Transfer> firstDownloads(const QList<ParcelKit::Transfer>& transfers);

private:
    // A damaged value counts as empty.
    QVariantMap counts() const;

    std::shared_ptr<QSettings> m_settings;
};

} // namespace Parcella
