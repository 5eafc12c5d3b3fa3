#include "Cancelled.h"
#include "HTTP.h"
#include "TestHTTPServer.h"
#include "TestSupport.h"
#include "URLSession.h"

#include <QtTest>

using namespace ParcelKit;
using namespace ParcelKit::Testing;
using namespace std::chrono_literals;
using Reply = TestHTTPServer::Reply;

namespace {

HTTPRequest requestTo(const QUrl& url) {
    HTTPRequest request;
    request.url = url;
    return request;
}

} // namespace

class tst_HTTPCancellation : public QObject {
    Q_OBJECT

private slots:
    void stoppingEndsOnlyItsOwnExchange() {
        TestHTTPServer server;
        server.setHandler([](const RecordedRequest& request) {
            if (request.path() == "/stuck")
                return Reply::text(200, "never").after(60s);
            return Reply::text(200, request.path().toUtf8()).after(100ms);
        });
        URLSession session;
        std::stop_source stopped;
        stopped.request_stop();
        QVERIFY_THROWS_EXCEPTION(
            Cancelled,
            Testing::await(HTTP::exchange(session, requestTo(server.url()), stopped.get_token())));
        QCOMPARE(server.acceptedConnections(), 0);

        std::stop_source source;
        auto stuck = HTTP::upload(session, requestTo(server.url("/stuck")), QByteArray(4096, 'u'),
                                  {}, source.get_token());
        auto first = HTTP::exchange(session, requestTo(server.url("/first")), {});
        auto second = HTTP::exchange(session, requestTo(server.url("/second")), {});
        QVERIFY(spinUntil([&] { return server.requestCount() == 3; }));
        source.request_stop();
        QVERIFY_THROWS_EXCEPTION(Cancelled, Testing::await(std::move(stuck)));
        QVERIFY(spinUntil([&] { return server.abandonedRequests() == 1; }));
        QCOMPARE(Testing::await(std::move(first)).body, QByteArray("/first"));
        QCOMPARE(Testing::await(std::move(second)).body, QByteArray("/second"));
    }

    void concurrentExchangesGetTheirOwnAnswers() {
        TestHTTPServer server;
        server.setHandler([](const RecordedRequest& request) {
            const int n = request.queryItem("n").toInt();
            return Reply::text(200 + n % 3, request.body + request.queryItem("n").toUtf8())
                .after(std::chrono::milliseconds(n % 4 * 15));
        });
        URLSession session;
        std::vector<QCoro::Task<HTTP::Answer>> tasks;
        for (int n = 0; n < 24; ++n) {
            HTTPRequest request = requestTo(server.url(QStringLiteral("/echo?n=%1").arg(n)));
            request.method = "PUT";
            tasks.push_back(
                HTTP::upload(session, request, QByteArray(n * 1000, 'a' + n % 26), {}, {}));
        }
        for (int n = 0; n < 24; ++n) {
            const HTTP::Answer answer = Testing::await(std::move(tasks[n]));
            QCOMPARE(answer.response.status, 200 + n % 3);
            QCOMPARE(answer.body, QByteArray(n * 1000, 'a' + n % 26) + QByteArray::number(n));
        }
    }

    void resultsResumeOnAnAwaitingWorkerThread() {
        TestHTTPServer server;
        server.setHandler(
            [](const RecordedRequest&) { return Reply::text(200, "ok").after(20ms); });
        URLSession session;
        WorkerThread worker;
        const auto answered =
            worker.begin([&] { return HTTP::exchange(session, requestTo(server.url("/ok")), {}); });
        const auto failed = worker.begin(
            [&] { return HTTP::exchange(session, requestTo(QUrl("http://127.0.0.1:0/")), {}); });
        QVERIFY(spinUntil([&] { return answered->done && failed->done; }));
        QCOMPARE(answered->value->response.status, 200);
        QCOMPARE(answered->endedOn, worker.thread());
        QVERIFY(failed->error);
        QCOMPARE(failed->endedOn, worker.thread());
    }

    void destroyingTheSessionEndsOutstandingRequests() {
        TestHTTPServer server;
        server.setHandler(
            [](const RecordedRequest&) { return Reply::text(200, "late").after(60s); });
        auto session = std::make_unique<URLSession>();
        auto first = HTTP::exchange(*session, requestTo(server.url("/a")), {});
        auto second = HTTP::exchange(*session, requestTo(server.url("/b")), {});
        QVERIFY(spinUntil([&] { return server.requestCount() == 2; }));
        session.reset();
        QVERIFY_THROWS_EXCEPTION(Cancelled, Testing::await(std::move(first)));
        QVERIFY_THROWS_EXCEPTION(Cancelled, Testing::await(std::move(second)));
        QVERIFY(spinUntil([&] { return server.abandonedRequests() == 2; }));
    }
};

QTEST_GUILESS_MAIN(tst_HTTPCancellation)
#include "tst_HTTPCancellation.moc"
