#pragma once

#include "TransferRate.h"
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
    void print();
    QString line(const ParcelKit::UploadItem& item, const ParcelKit::TransferRate& rate) const;

    std::function<QList<ParcelKit::UploadItem>()> m_items;
    QList<QUuid> m_ids;
    bool m_terminal;
    QTimer m_timer;
    QElapsedTimer m_clock;
    int m_linesShown = 0;
    QHash<QUuid, ParcelKit::TransferRate> m_rates;
};

QString formatBytes(qint64 bytes);

} // namespace Parcella
