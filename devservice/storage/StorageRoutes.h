#pragma once

#include "FaultInjector.h"
#include "MultipartUploads.h"
#include "ObjectStore.h"
#include "RequestCounters.h"
#include "S3Credentials.h"

#include <cstdint>
#include <functional>
#include <string>

namespace httplib {
class Server;
}

namespace devservice {

// POST/DELETE /admin/faults, GET/DELETE /admin/counters and POST /admin/clock (moves the
// service's time forward, then calls clockMoved) for loopback peers presenting X-Admin-Token.
// Registers nothing when adminToken is empty.
void registerAdminRoutes(httplib::Server& server, FaultInjector& faults, RequestCounters& counters,
                         const std::string& adminToken, std::function<void()> clockMoved);

// Applies scripted faults (status, delay, drop) to requests under /api/, /oauth/ and /t/ before
// routing; storage requests take their faults in the storage routes, where the body is read.
void installFaultHook(httplib::Server& server, FaultInjector& faults, RequestCounters& counters);

// Path-style S3 for every path not taken by an earlier route: register last.
void registerStorageRoutes(httplib::Server& server, ObjectStore& store, MultipartUploads& uploads,
                           const S3Credentials& credentials, FaultInjector& faults,
                           RequestCounters& counters);

} // namespace devservice
