#pragma once

#include "service/Database.h"

#include <cstdint>
#include <optional>
#include <string>

namespace devservice {

// What the service knows of each upload it handed out: workspace, file name and whether the
// object was confirmed complete in storage.
class UploadStore {
public:
    struct Upload {
        std::string id;
        std::string workspaceId;
        std::string filename;
        std::optional<std::string> contentType;
        std::optional<std::int64_t> size; // present once confirmed
    };

    explicit UploadStore(Database& database) : db_(database) {}

    std::string create(const std::string& workspaceId, const std::string& filename,
                       const std::optional<std::string>& contentType);
    std::optional<Upload> find(const std::string& workspaceId, const std::string& uploadId) const;
    void confirm(const std::string& uploadId, std::int64_t size);
    void completePreview(const std::string& uploadId, const std::string& kind);
    bool hasPreview(const std::string& uploadId, const std::string& kind) const;

    // The object key of an upload in its workspace's bucket; the upload id is its last component.
    static std::string objectKey(const std::string& workspaceId, const std::string& uploadId) {
        return workspaceId + "/" + uploadId;
    }
    static std::string previewKey(const std::string& workspaceId, const std::string& uploadId,
                                  const std::string& kind) {
        return objectKey(workspaceId, uploadId) + "." + kind + ".jpg";
    }

private:
    Database& db_;
};

} // namespace devservice
