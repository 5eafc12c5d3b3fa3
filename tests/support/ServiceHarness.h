#pragma once

#include "APIClient.h"
#include "AuthSession.h"
#include "FakeStorageService.h"
#include "InMemoryTokenStore.h"
#include "URLSession.h"

namespace ParcelKit::Testing {

// The engine's service stack, signed in, talking to a FakeStorageService over loopback: what an
// upload worker or queue needs to reach the service and its storage. Build it on the main thread.
class ServiceHarness {
public:
    ServiceHarness();

    FakeStorageService fake;
    URLSession urlSession;
    InMemoryTokenStore tokens;
    AuthSession auth;
    APIClient api;
};

} // namespace ParcelKit::Testing
