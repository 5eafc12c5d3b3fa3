#include "ProgressPrinter.h"

#include "Console.h"

#include <cmath>

namespace Parcella {

using namespace ParcelKit;

QString formatBytes(qint64 bytes) {
    const char* units[] = {"B", "kB", "MB", "GB", "TB"};
    double value = double(bytes);
    int unit = 0;
    while (value >= 1000 && unit < 4) {
        value /= 1000;
        ++unit;
    }
    return unit == 0 ? QStringLiteral("%1 B").arg(bytes)
                     : QStringLiteral("%1 %2").arg(value, 0, 'f', 1).arg(units[unit]);
}

ProgressPrinter::ProgressPrinter(std::function<QList<UploadItem>()> items, QList<QUuid> ids,
                                 bool terminal)
    : m_items(std::move(items)), m_ids(std::move(ids)), m_terminal(terminal) {
    m_timer.setInterval(m_terminal ? 250 : 5000);
    connect(&m_timer, &QTimer::timeout, this, &ProgressPrinter::print);
}

void ProgressPrinter::start() {
    m_clock.start();
    print();
    m_timer.start();
}

void ProgressPrinter::finish() {
    m_timer.stop();
    print();
}

void ProgressPrinter::measure(const UploadItem& item, double seconds) {
    Speed& speed = m_speeds[item.id];
    if (speed.lastBytes >= 0 && seconds > 0) {
        const double current = double(item.bytesSent - speed.lastBytes) / seconds;
        // Smoothed, so the figure does not jump with every part.
        speed.bytesPerSecond =
            speed.bytesPerSecond == 0 ? current : 0.7 * speed.bytesPerSecond + 0.3 * current;
    }
    speed.lastBytes = item.bytesSent;
}

QString ProgressPrinter::line(const UploadItem& item, const Speed& speed) const {
    switch (item.state.kind()) {
    case UploadState::Case::finished:
        return QStringLiteral("%1  %2  done").arg(item.filename, formatBytes(item.byteCount));
    case UploadState::Case::failed:
        return QStringLiteral("%1  failed: %2")
            .arg(item.filename, item.state.failureMessage().value_or(QString()));
    case UploadState::Case::cancelled:
        return QStringLiteral("%1  cancelled").arg(item.filename);
    case UploadState::Case::queued:
        return QStringLiteral("%1  %2  waiting").arg(item.filename, formatBytes(item.byteCount));
    case UploadState::Case::uploading:
        break;
    }
    const double share =
        item.byteCount > 0 ? 100.0 * double(item.bytesSent) / double(item.byteCount) : 0;
    QString text = QStringLiteral("%1  %2 of %3 (%4 %)")
                       .arg(item.filename, formatBytes(item.bytesSent), formatBytes(item.byteCount))
                       .arg(share, 0, 'f', 0);
    if (speed.bytesPerSecond > 0) {
        const auto left =
            qint64(std::ceil(double(item.byteCount - item.bytesSent) / speed.bytesPerSecond));
        text += QStringLiteral("  %1/s  %2:%3 left")
                    .arg(formatBytes(qint64(speed.bytesPerSecond)))
                    .arg(left / 60)
                    .arg(left % 60, 2, 10, QLatin1Char('0'));
    }
    if (item.retryNotice)
        text += QStringLiteral("  ") + *item.retryNotice;
    return text;
}

void ProgressPrinter::print() {
    const qint64 now = m_clock.elapsed();
    const double seconds = double(now - m_lastTick) / 1000.0;
    m_lastTick = now;

    QHash<QUuid, UploadItem> byID;
    for (const UploadItem& item : m_items())
        byID.insert(item.id, item);

    QString output;
    if (m_terminal && m_linesShown > 0)
        output += QStringLiteral("\x1b[%1A").arg(m_linesShown);
    int lines = 0;
    for (const QUuid& id : m_ids) {
        const auto found = byID.constFind(id);
        if (found == byID.constEnd())
            continue;
        measure(*found, seconds);
        output += (m_terminal ? QStringLiteral("\x1b[2K") : QString()) +
                  line(*found, m_speeds.value(id)) + '\n';
        ++lines;
    }
    m_linesShown = lines;
    Console::out(output);
}

} // namespace Parcella
