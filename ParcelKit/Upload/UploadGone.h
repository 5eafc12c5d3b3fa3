#pragma once

#include <exception>

namespace ParcelKit {

// The multipart upload, or what the service knows of it, no longer exists. A run starts over once
// on it; it never leaves the worker.
struct UploadGone : std::exception {
    const char* what() const noexcept override { return "The multipart upload no longer exists."; }
};

} // namespace ParcelKit
