#pragma once

#include "UploadItem.h"

#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QObject>
#include <QTimer>
#include <QUuid>

namespace Parcella {

// Shows the uploads of one send: on a terminal one line per file, redrawn in place with bytes,
// speed and time left; elsewhere a plain line per file every few seconds.
class ProgressPrinter : public QObject {
    Q_OBJECT

public:
    ProgressPrinter(std::function<QList<ParcelKit::UploadItem>()> items, QList<QUuid> ids,
                    bool terminal);

    void start();
    // Prints the final state once more.
    void finish();

private:
    struct Speed {
        qint64 lastBytes = -1;
        double bytesPerSecond = 0;
    };

    void print();
    QString line(const ParcelKit::UploadItem& item, const Speed& speed) const;
    void measure(const ParcelKit::UploadItem& item, double seconds);

    std::function<QList<ParcelKit::UploadItem>()> m_items;
    QList<QUuid> m_ids;
    bool m_terminal;
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_lastTick = 0;
    int m_linesShown = 0;
    QHash<QUuid, Speed> m_speeds;
};

QString formatBytes(qint64 bytes);

} // namespace Parcella
