#pragma once

#include "Cancelled.h"
#include "NetworkMonitor.h"
#include "UploadOptions.h"

#include <QCoroTask>

#include <chrono>
#include <exception>
#include <optional>
#include <stop_token>

namespace ParcelKit {

// Runs one request until it succeeds, fails for good or the task is cancelled. Network failures
// and storage or service answers 408, 429 and 5xx are retried as long as the task lives; other
// storage refusals (BucketError) up to `maxRetries` times; everything else is raised at once.
// Failures while offline wait for the network and count for nothing; the delays between attempts
// grow along `retryDelays` and end early when connectivity changes.
class RetryLoop {
public:
    RetryLoop(const UploadOptions& options, NetworkMonitor& network);

    // `operation` takes the std::stop_token and returns QCoro::Task<T>; it is called once per
    // attempt. A BucketError that is given up on is raised as ParcelKitError::server.
    template <typename T, typename Operation>
    QCoro::Task<T> run(Operation operation, std::stop_token token) {
        for (;;) {
            throwIfCancelled(token);
            co_await m_network->waitUntilOnline(token);
            throwIfCancelled(token);
            std::exception_ptr failure;
            try {
                co_return co_await operation(token);
            } catch (...) {
                failure = std::current_exception();
            }
            if (const auto delay = afterFailure(failure))
                co_await m_network->waitForChange(*delay, token);
        }
    }

    enum class Verdict { transient, permanent, fatal };
    struct Judgement {
        Verdict verdict;
        // The error to raise when the loop gives up: BucketError becomes ParcelKitError::server.
        std::exception_ptr error;
    };
    static Judgement judge(std::exception_ptr failure);

private:
    // Raises the failure when it is not to be retried; otherwise the wait before the next attempt
    // (absent: go straight back to waiting for the network).
    std::optional<std::chrono::milliseconds> afterFailure(std::exception_ptr failure);

    QList<std::chrono::milliseconds> m_delays;
    int m_maxRetries;
    NetworkMonitor* m_network;
    int m_permanentFailures = 0;
    int m_delayIndex = 0;
};

} // namespace ParcelKit
