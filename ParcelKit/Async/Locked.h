#pragma once

#include <mutex>
#include <utility>

namespace ParcelKit {

// A value guarded by its own non-recursive mutex. The closure given to withLock runs under the
// lock: it must not suspend, block on another lock, or call back into code using this box.
template <typename T> class Locked {
public:
    Locked() = default;
    explicit Locked(T value) : m_value(std::move(value)) {}
    Locked(const Locked&) = delete;
    Locked& operator=(const Locked&) = delete;

    template <typename F> decltype(auto) withLock(F&& body) {
        std::lock_guard guard(m_mutex);
        return std::forward<F>(body)(m_value);
    }

    template <typename F> decltype(auto) withLock(F&& body) const {
        std::lock_guard guard(m_mutex);
        return std::forward<F>(body)(m_value);
    }

private:
    mutable std::mutex m_mutex;
    T m_value{};
};

} // namespace ParcelKit
