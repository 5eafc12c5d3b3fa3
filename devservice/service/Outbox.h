#pragma once

#include <filesystem>
#include <mutex>
#include <string>

namespace devservice {

// Stands in for sending e-mail: each message becomes one RFC 822-style text file in the outbox
// folder, named so that the folder lists in sending order.
class Outbox {
public:
    explicit Outbox(std::filesystem::path folder);

    // Returns the file written. Throws when the disk refuses it.
    std::filesystem::path write(const std::string& to, const std::string& subject,
                                const std::string& body);

private:
    std::filesystem::path folder_;
    std::mutex mutex_;
    std::uint64_t sequence_ = 0;
};

} // namespace devservice
