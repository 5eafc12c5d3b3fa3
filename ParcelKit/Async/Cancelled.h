#pragma once

#include <exception>
#include <stop_token>

namespace ParcelKit {

// The task-cancellation error. It is never wrapped into ParcelKitError, so callers can tell a
// cancelled operation from a failed one by its type alone.
struct Cancelled : std::exception {
    const char* what() const noexcept override { return "The task was cancelled."; }
};

inline void throwIfCancelled(const std::stop_token& token) {
    if (token.stop_requested())
        throw Cancelled{};
}

} // namespace ParcelKit
