#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <regex>
#include <string>

namespace devservice {

// What one scripted request gets instead of (or before) its normal answer.
struct Fault {
    int status = 0; // 0: answer normally (after the delay / unless dropped)
    std::string code;
    std::string message;
    std::chrono::milliseconds delay{0};
    // Cut the TCP connection after this many request-body bytes, without answering.
    std::optional<std::int64_t> dropAfterBytes;
};

// Rules scripted by tests through the admin endpoint; each matching request consumes one use of
// the first rule that matches it. Thread-safe.
class FaultInjector {
public:
    struct Rule {
        std::string method;     // empty: any method
        std::string pathRegex;  // searched in the request path; empty: any path
        std::string pathPrefix; // alternatively, a plain prefix; empty: any path
        std::string queryRegex; // searched in the raw query string; empty: any query
        int count = 1;
        Fault fault;
    };

    // Throws std::regex_error for an invalid pattern.
    void add(const Rule& rule);
    void clear();
    std::optional<Fault> take(const std::string& method, const std::string& path,
                              const std::string& query = {});

private:
    struct Entry {
        Rule rule;
        std::optional<std::regex> regex;
        std::optional<std::regex> queryRegex;
    };

    std::mutex m_mutex;
    std::deque<Entry> m_rules;
};

} // namespace devservice
