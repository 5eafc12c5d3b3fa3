#include "ProgressPrinter.h"

#include "AppText.h"
#include "Console.h"

#include <QLocale>

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
                     : QStringLiteral("%1 %2").arg(QLocale().toString(value, 'f', 1),
                                                   QLatin1String(units[unit]));
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

QString ProgressPrinter::line(const UploadItem& item, const TransferRate& rate) const {
    switch (item.state.kind()) {
    case UploadState::Case::finished:
        return AppText::tr("%1  %2  done").arg(item.filename, formatBytes(item.byteCount));
    case UploadState::Case::failed:
        return AppText::tr("%1  failed: %2")
            .arg(item.filename, item.state.failureMessage().value_or(QString()));
    case UploadState::Case::cancelled:
        return AppText::tr("%1  cancelled").arg(item.filename);
    case UploadState::Case::queued:
        return AppText::tr("%1  %2  waiting").arg(item.filename, formatBytes(item.byteCount));
    case UploadState::Case::uploading:
        break;
    }
    const double share =
        item.byteCount > 0 ? 100.0 * double(item.bytesSent) / double(item.byteCount) : 0;
    QString text = AppText::tr("%1  %2 of %3 (%4 %)")
                       .arg(item.filename, formatBytes(item.bytesSent), formatBytes(item.byteCount))
                       .arg(share, 0, 'f', 0);
    if (const auto perSecond = rate.bytesPerSecond())
        text += QStringLiteral("  %1  %2")
                    .arg(TransferRate::rateText(*perSecond),
                         TransferRate::timeLeftText(rate.secondsLeft(item.byteCount).value_or(0)));
    if (item.retryNotice)
        text += QStringLiteral("  ") + *item.retryNotice;
    return text;
}

void ProgressPrinter::print() {
    const qint64 now = m_clock.elapsed();

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
        TransferRate& rate = m_rates[id];
        rate.add(now, found->bytesSent);
        output += (m_terminal ? QStringLiteral("\x1b[2K") : QString()) + line(*found, rate) + '\n';
        ++lines;
    }
    m_linesShown = lines;
    Console::out(output);
}

} // namespace Parcella
