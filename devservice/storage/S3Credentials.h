#pragma once

#include <string>

namespace devservice {

// The one key pair the storage accepts, and the region it signs for.
struct S3Credentials {
    std::string accessKey;
    std::string secretKey;
    std::string region;
};

} // namespace devservice
