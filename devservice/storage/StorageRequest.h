#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace devservice {

// A request target as the storage sees it: the decoded path split into bucket and key, and the
// query pairs decoded exactly once, in the order sent (signature checks need this raw view, not
// the HTTP library's, which also turns '+' into a space).
struct StorageRequest {
    std::string path; // decoded
    std::string bucket;
    std::string key; // empty for bucket-level requests
    std::vector<std::pair<std::string, std::string>> query;

    // nullopt for a target that does not decode (bad escapes, NUL).
    static std::optional<StorageRequest> parse(std::string_view target);
    static std::optional<std::string> percentDecode(std::string_view text);
    // The undecoded text after '?', empty without one.
    static std::string rawQuery(std::string_view target);

    bool has(std::string_view name) const;
    // The first value of a query parameter; empty when absent.
    std::string value(std::string_view name) const;
};

} // namespace devservice
