#pragma once

#include <QCoroTask>

#include <chrono>
#include <stop_token>

namespace ParcelKit {

// Sleeps on the monotonic clock, which stands still while the computer sleeps.
// Throws Cancelled when `token` stops first.
QCoro::Task<void> sleepFor(std::chrono::milliseconds duration, std::stop_token token);

// Sleeps on the continuous clock, which keeps counting while the computer sleeps, so a wait that
// spans a night ends at the first wake after its deadline. Throws Cancelled when `token` stops.
QCoro::Task<void> sleepContinuous(std::chrono::milliseconds duration, std::stop_token token);

// Waits until `token` stops, then throws Cancelled.
QCoro::Task<void> waitForStop(std::stop_token token);

} // namespace ParcelKit
