#include "RetryLoop.h"

#include "BucketError.h"
#include "EngineText.h"
#include "ParcelKitError.h"

#include <algorithm>

namespace ParcelKit {

namespace {
bool isPassingStatus(int status) {
    return status == 408 || status == 429 || status >= 500;
}
} // namespace

RetryLoop::RetryLoop(const UploadOptions& options, NetworkMonitor& network, Notice notice)
    : m_delays(options.retryDelays), m_maxRetries(options.maxRetries), m_network(&network),
      m_notice(std::move(notice)) {}

RetryLoop::Judgement RetryLoop::judge(std::exception_ptr failure) {
    try {
        std::rethrow_exception(failure);
    } catch (const ParcelKitError& error) {
        const bool passing =
            error.kind() == ParcelKitError::Kind::network ||
            (error.kind() == ParcelKitError::Kind::server && isPassingStatus(error.status()));
        return {passing ? Verdict::transient : Verdict::fatal, failure};
    } catch (const BucketError& error) {
        auto converted =
            std::make_exception_ptr(ParcelKitError::server(error.status(), error.message()));
        return {isPassingStatus(error.status()) ? Verdict::transient : Verdict::permanent,
                converted};
    } catch (...) {
        return {Verdict::fatal, failure};
    }
}

RetryLoop::Pause RetryLoop::afterFailure(std::exception_ptr failure) {
    const Judgement judgement = judge(failure);
    if (judgement.verdict == Verdict::fatal)
        std::rethrow_exception(judgement.error);
    const QString reason = ParcelKitError::wrapping(judgement.error).userText();
    if (!m_network->isOnline())
        return {std::nullopt, EngineText::tr("waiting for the network: %@").replace("%@", reason)};
    if (judgement.verdict == Verdict::permanent) {
        if (m_permanentFailures >= m_maxRetries)
            std::rethrow_exception(judgement.error);
        ++m_permanentFailures;
    }
    std::chrono::milliseconds delay{0};
    if (!m_delays.isEmpty())
        delay = m_delays[std::min<qsizetype>(m_delayIndex, m_delays.size() - 1)];
    ++m_delayIndex;
    // Whole seconds, rounded up: "retrying in 0 s" would read as no wait at all.
    const qint64 seconds = (delay.count() + 999) / 1000;
    return {delay, EngineText::tr("retrying in %lld s: %@")
                       .replace("%lld", QString::number(seconds))
                       .replace("%@", reason)};
}

void RetryLoop::announce(const std::optional<QString>& notice) {
    if (!m_notice || (!notice && !m_announced))
        return;
    m_announced = notice.has_value();
    m_notice(notice);
}

} // namespace ParcelKit
