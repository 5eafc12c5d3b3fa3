#pragma once

namespace devservice {

class ObjectStore;
class StorageCall;

// Bucket and single-object operations of the storage, on authenticated requests.
class ObjectHandler {
public:
    explicit ObjectHandler(ObjectStore& store);

    void createBucket(StorageCall& call);
    void headBucket(StorageCall& call);
    void deleteBucket(StorageCall& call);
    void listObjects(StorageCall& call);
    void putObject(StorageCall& call);
    // GET and HEAD; the HTTP library leaves the body out for HEAD and serves byte ranges.
    void getObject(StorageCall& call);
    void deleteObject(StorageCall& call);

private:
    ObjectStore& m_store;
};

} // namespace devservice
