#include "EngineUploader.h"

#include "HTTP.h"
#include "TaskGroup.h"
#include "URLSession.h"

#include <atomic>
#include <stdexcept>

using namespace ParcelKit;

namespace {

struct Lanes {
    const UploadPlan* plan;
    QByteArray body;
    int nextPart = 0;
    std::atomic<qint64> progress{0};
};

QCoro::Task<void> lane(URLSession* session, Lanes* lanes, std::stop_token token) {
    while (lanes->nextPart < lanes->plan->parts) {
        HTTPRequest request;
        request.url = lanes->plan->partURL(QStringLiteral("engine"), lanes->nextPart++);
        request.method = "PUT";
        const HTTP::Answer answer = co_await HTTP::upload(
            *session, request, lanes->body,
            [lanes](qint64 sent) { lanes->progress.store(sent, std::memory_order_relaxed); },
            token);
        if (answer.response.status != 200)
            throw std::runtime_error("the sink refused a part");
    }
}

QCoro::Task<void> uploadAll(URLSession* session, Lanes* lanes, std::exception_ptr* failure) {
    try {
        TaskGroup group;
        for (int i = 0; i < lanes->plan->inFlight; ++i) {
            group.spawn(
                [session, lanes](std::stop_token token) { return lane(session, lanes, token); });
        }
        co_await group.wait();
    } catch (...) {
        *failure = std::current_exception();
    }
}

} // namespace

Measurement EngineUploader::run(const UploadPlan& plan) {
    URLSession session;
    Lanes lanes{&plan, QByteArray(plan.partSize, 'e')};
    rusage before{};
    rusage after{};
    getrusage(RUSAGE_SELF, &before);
    const auto start = std::chrono::steady_clock::now();
    // An event loop that sleeps between events, so the clock counts only real work.
    std::exception_ptr failure;
    QCoro::waitFor(uploadAll(&session, &lanes, &failure));
    const auto end = std::chrono::steady_clock::now();
    getrusage(RUSAGE_SELF, &after);
    if (failure)
        std::rethrow_exception(failure);

    Measurement measurement;
    measurement.bytes = plan.totalBytes();
    measurement.seconds = std::chrono::duration<double>(end - start).count();
    measurement.cpuSeconds = Measurement::cpuSecondsOf(after) - Measurement::cpuSecondsOf(before);
    return measurement;
}
