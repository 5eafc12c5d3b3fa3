#pragma once

#include "Cancelled.h"
#include "NetworkMonitor.h"
#include "UploadOptions.h"

#include <QCoroTask>

#include <chrono>
#include <exception>
#include <functional>
#include <optional>
#include <stop_token>
#include <type_traits>

namespace ParcelKit {

// Runs one request until it succeeds, fails for good or the task is cancelled. Network failures
// and storage or service answers 408, 429 and 5xx are retried as long as the task lives; other
// storage refusals (BucketError) up to `maxRetries` times; everything else is raised at once.
// Failures while offline wait for the network and count for nothing; the delays between attempts
// grow along `retryDelays` and end early when connectivity changes.
class RetryLoop {
public:
    // Told what the user should read while a failed attempt waits for its retry, e.g.
    // "retrying in 8 s: The network connection was lost.", and none once a retry went through.
    using Notice = std::function<void(const std::optional<QString>& notice)>;

    RetryLoop(const UploadOptions& options, NetworkMonitor& network, Notice notice = {});

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
                if constexpr (std::is_void_v<T>) {
                    co_await operation(token);
                    announce(std::nullopt);
                    co_return;
                } else {
                    T result = co_await operation(token);
                    announce(std::nullopt);
                    co_return result;
                }
            } catch (...) {
                failure = std::current_exception();
            }
            const Pause pause = afterFailure(failure);
            announce(pause.notice);
            if (pause.delay)
                co_await m_network->waitForChange(*pause.delay, token);
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
    struct Pause {
        // Absent: go straight back to waiting for the network.
        std::optional<std::chrono::milliseconds> delay;
        QString notice;
    };

    // Raises the failure when it is not to be retried; otherwise how to wait for the next attempt.
    Pause afterFailure(std::exception_ptr failure);
    void announce(const std::optional<QString>& notice);

    QList<std::chrono::milliseconds> m_delays;
    int m_maxRetries;
    NetworkMonitor* m_network;
    Notice m_notice;
    bool m_announced = false;
    int m_permanentFailures = 0;
    int m_delayIndex = 0;
};

} // namespace ParcelKit
