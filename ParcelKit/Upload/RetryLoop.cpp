#include "RetryLoop.h"

#include "BucketError.h"
#include "ParcelKitError.h"

#include <algorithm>

namespace ParcelKit {

namespace {
bool isPassingStatus(int status) {
    return status == 408 || status == 429 || status >= 500;
}
} // namespace

RetryLoop::RetryLoop(const UploadOptions& options, NetworkMonitor& network)
    : m_delays(options.retryDelays), m_maxRetries(options.maxRetries), m_network(&network) {}

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

std::optional<std::chrono::milliseconds> RetryLoop::afterFailure(std::exception_ptr failure) {
    const Judgement judgement = judge(failure);
    if (judgement.verdict == Verdict::fatal)
        std::rethrow_exception(judgement.error);
    if (!m_network->isOnline())
        return std::nullopt;
    if (judgement.verdict == Verdict::permanent) {
        if (m_permanentFailures >= m_maxRetries)
            std::rethrow_exception(judgement.error);
        ++m_permanentFailures;
    }
    std::chrono::milliseconds delay{0};
    if (!m_delays.isEmpty())
        delay = m_delays[std::min<qsizetype>(m_delayIndex, m_delays.size() - 1)];
    ++m_delayIndex;
    return delay;
}

} // namespace ParcelKit
