#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>

namespace devservice {

// What the storage received, so tests can prove which requests a client sent (for instance that
// a resumed upload did not send stored parts again). Thread-safe.
class RequestCounters {
public:
    // Kinds used by the storage: "create", "part", "list", "complete", "abort", "put", "get",
    // "head", "delete"; other modules may count their own kinds.
    void count(const std::string& kind);
    void countPart(const std::string& uploadId, int partNumber);
    void addBytesReceived(std::int64_t bytes);
    void reset();
    // {"requests":{kind:n,...},"parts":{uploadId:{"1":n,...},...},"bytesReceived":n}
    std::string json() const;

private:
    mutable std::mutex m_mutex;
    std::map<std::string, std::int64_t> m_requests;
    std::map<std::string, std::map<int, std::int64_t>> m_parts;
    // Added to for every piece of a body, so outside the lock.
    std::atomic<std::int64_t> m_bytesReceived{0};
};

} // namespace devservice
