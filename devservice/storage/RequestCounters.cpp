#include "RequestCounters.h"

#include <nlohmann/json.hpp>

namespace devservice {

void RequestCounters::count(const std::string& kind) {
    std::lock_guard lock(m_mutex);
    ++m_requests[kind];
}

void RequestCounters::countPart(const std::string& uploadId, int partNumber) {
    std::lock_guard lock(m_mutex);
    ++m_parts[uploadId][partNumber];
}

void RequestCounters::addBytesReceived(std::int64_t bytes) {
    m_bytesReceived.fetch_add(bytes, std::memory_order_relaxed);
}

void RequestCounters::reset() {
    std::lock_guard lock(m_mutex);
    m_requests.clear();
    m_parts.clear();
    m_bytesReceived = 0;
}

std::string RequestCounters::json() const {
    nlohmann::json document = {{"requests", nlohmann::json::object()},
                               {"parts", nlohmann::json::object()}};
    std::lock_guard lock(m_mutex);
    for (const auto& [kind, n] : m_requests)
        document["requests"][kind] = n;
    for (const auto& [uploadId, numbers] : m_parts) {
        nlohmann::json perPart = nlohmann::json::object();
        for (const auto& [number, n] : numbers)
            perPart[std::to_string(number)] = n;
        document["parts"][uploadId] = std::move(perPart);
    }
    document["bytesReceived"] = m_bytesReceived.load(std::memory_order_relaxed);
    return document.dump();
}

} // namespace devservice
