#include "FaultInjector.h"

namespace devservice {

void FaultInjector::add(const Rule& rule) {
    Entry entry{rule, std::nullopt, std::nullopt};
    if (!rule.pathRegex.empty())
        entry.regex.emplace(rule.pathRegex, std::regex::ECMAScript);
    if (!rule.queryRegex.empty())
        entry.queryRegex.emplace(rule.queryRegex, std::regex::ECMAScript);
    std::lock_guard lock(m_mutex);
    m_rules.push_back(std::move(entry));
}

void FaultInjector::clear() {
    std::lock_guard lock(m_mutex);
    m_rules.clear();
}

std::optional<Fault> FaultInjector::take(const std::string& method, const std::string& path,
                                         const std::string& query) {
    std::lock_guard lock(m_mutex);
    for (auto it = m_rules.begin(); it != m_rules.end(); ++it) {
        const Rule& rule = it->rule;
        if (!rule.method.empty() && rule.method != method)
            continue;
        if (!rule.pathPrefix.empty() && !path.starts_with(rule.pathPrefix))
            continue;
        if (it->regex && !std::regex_search(path, *it->regex))
            continue;
        if (it->queryRegex && !std::regex_search(query, *it->queryRegex))
            continue;
        Fault fault = rule.fault;
        if (--it->rule.count <= 0)
            m_rules.erase(it);
        return fault;
    }
    return std::nullopt;
}

} // namespace devservice
