#include "HTTP.h"
#include "TestHTTPServer.h"
#include "TestSupport.h"
#include "TestTLSServer.h"
#include "TokenBucket.h"
#include "TransportError.h"
#include "URLSession.h"

#include <QTcpServer>
#include <QtTest>

#include <curl/curl.h>

#include <mutex>

using namespace ParcelKit;
using namespace ParcelKit::Testing;
using namespace std::chrono_literals;
using Reply = TestHTTPServer::Reply;

namespace {

HTTPRequest requestTo(const QUrl& url, QByteArray method = "GET") {
    HTTPRequest request;
    request.url = url;
    request.method = std::move(method);
    return request;
}

HTTP::Answer exchange(URLSession& session, HTTPRequest request) {
    return Testing::await(HTTP::exchange(session, std::move(request), {}));
}

// The engine error an exchange ends with; one that succeeds throws, failing the test.
ParcelKitError failureOf(QCoro::Task<HTTP::Answer> task) {
    return Testing::failureOf(std::move(task)).value();
}

// The transport failure under the engine error, to check the libcurl code behind it.
TransportError transportFailureOf(URLSession& session, HTTPRequest request) {
    try {
        Testing::await(session.perform(std::move(request), {}, {}));
    } catch (const TransportError& error) {
        return error;
    }
    QTest::qFail("the request did not fail in transport", __FILE__, __LINE__);
    return {0, {}};
}

QUrl closedPort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    const quint16 port = probe.serverPort();
    probe.close();
    return QUrl(QStringLiteral("http://127.0.0.1:%1/").arg(port));
}

QByteArray patternedBody(qsizetype size) {
    QByteArray body(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i)
        body[i] = char((i * 131 + i / 4096) & 0xff);
    return body;
}

} // namespace

class tst_HTTPExchange : public QObject {
    Q_OBJECT

private slots:
    void requestAndAnswerPassThrough() {
        TestHTTPServer server;
        server.setHandler([](const RecordedRequest& request) {
            const QJsonObject echo{{"echo", request.jsonObject().value("name")}};
            return Reply::json(503, echo)
                .withHeader("X-Trace", "a b")
                .withHeader("Set-Cookie", "one=1")
                .withHeader("Set-Cookie", "two=2");
        });
        URLSession session;
        HTTPRequest request = requestTo(server.url("/api/v1/items?q=a%20b&n=1"), "POST");
        request.setHeader("Authorization", "Bearer first");
        request.setHeader("authorization", "Bearer second");
        request.setHeader("Content-Type", "application/json");
        request.setHeader("X-Empty", "");
        request.body = R"({"name":"Grüße"})";
        const HTTP::Answer answer = exchange(session, request);

        QCOMPARE(answer.response.status, 503);
        QCOMPARE(QJsonDocument::fromJson(answer.body).object().value("echo").toString(),
                 QString::fromUtf8("Grüße"));
        QCOMPARE(answer.response.url, request.url);
        QCOMPARE(answer.response.header("x-trace"), QByteArray("a b"));
        QList<QByteArray> cookies;
        for (const auto& [name, value] : answer.response.headers) {
            if (name == "Set-Cookie")
                cookies.append(value);
        }
        QCOMPARE(cookies, (QList<QByteArray>{"one=1", "two=2"}));
        QCOMPARE(answer.response.header("Content-Length"), QByteArray::number(answer.body.size()));

        const RecordedRequest recorded = server.requests().value(0);
        QCOMPARE(recorded.method, QByteArray("POST"));
        QCOMPARE(recorded.path(), QString("/api/v1/items"));
        QCOMPARE(recorded.queryItem("q"), QString("a b"));
        QCOMPARE(recorded.header("Authorization"), QByteArray("Bearer second"));
        QCOMPARE(recorded.header("Content-Type"), QByteArray("application/json"));
        QCOMPARE(recorded.header("X-Empty"), QByteArray(""));
        QCOMPARE(recorded.header("Content-Length"), QByteArray::number(request.body.size()));
        QCOMPARE(recorded.body, request.body);
        QVERIFY(!recorded.header("Expect"));
        QVERIFY(!recorded.header("Transfer-Encoding"));
    }

    void methodsCarryTheRightFraming() {
        TestHTTPServer server;
        server.setHandler([](const RecordedRequest&) { return Reply::text(200, "payload"); });
        URLSession session;
        // Empty bodies of PUT and POST still state their length, and POST gets no form type; only
        // a DELETE that has a body sends one.
        const QList<std::pair<QByteArray, QByteArray>> sent{
            {"PUT", {}}, {"POST", {}}, {"DELETE", {}}, {"DELETE", "<Delete/>"}, {"GET", {}}};
        for (const auto& [method, body] : sent) {
            HTTPRequest request = requestTo(server.url("/m"), method);
            request.body = body;
            QCOMPARE(exchange(session, request).body, QByteArray("payload"));
            const RecordedRequest recorded = server.requests().last();
            QCOMPARE(recorded.method, method);
            QCOMPARE(recorded.body, body);
            QCOMPARE(recorded.header("Content-Length").has_value(),
                     method != "GET" && (method != "DELETE" || !body.isEmpty()));
            QVERIFY(!recorded.header("Content-Type"));
        }
        const HTTP::Answer head = exchange(session, requestTo(server.url("/head"), "HEAD"));
        QCOMPARE(head.response.status, 200);
        QVERIFY(head.body.isEmpty());
        // Every one of them went over the first connection.
        QCOMPARE(server.acceptedConnections(), 1);
    }

    void largeUploadReportsProgressUpToItsSize() {
        TestHTTPServer server;
        server.setHandler([](const RecordedRequest& request) {
            return Reply::empty(200).withHeader(
                "ETag", '"' + QByteArray::number(request.body.size()) + '"');
        });
        URLSession session;
        const QByteArray body = patternedBody(16 * 1024 * 1024 + 7);
        std::mutex mutex;
        QList<qint64> reported;
        const HTTP::Answer answer = Testing::await(
            HTTP::upload(session, requestTo(server.url("/part?partNumber=1"), "PUT"), body,
                         [&](qint64 sent) {
                             std::lock_guard lock(mutex);
                             reported.append(sent);
                         },
                         {}));

        QCOMPARE(answer.response.header("ETag"), '"' + QByteArray::number(body.size()) + '"');
        QVERIFY(server.requests().value(0).body == body);
        std::lock_guard lock(mutex);
        QVERIFY(!reported.isEmpty());
        QCOMPARE(reported.last(), qint64(body.size()));
        for (qsizetype i = 1; i < reported.size(); ++i)
            QVERIFY2(reported[i] > reported[i - 1], "progress repeats or goes back");
    }

    void tokenBucketGrantsTheRateAndNoMore() {
        using namespace std::chrono;
        // At 100,000 bytes per second at most 5,000 pile up, and waking pays from 2,500 on.
        const TokenBucket::Clock::time_point start;
        TokenBucket bucket;
        bucket.setRate(100'000, start);
        QCOMPARE(bucket.take(1'000, start), 0); // starts empty
        QCOMPARE(ceil<milliseconds>(bucket.untilRefilled(start)), 25ms);
        QCOMPARE(bucket.take(400, start + 10ms), 400);
        QCOMPARE(bucket.take(1'000, start + 10ms), 600);
        QCOMPARE(bucket.take(1'000'000, start + 2s), 5'000); // an idle spell adds a burst at most
        bucket.setRate(0, start + 2s);
        QCOMPARE(bucket.take(1'000'000, start + 2s), 1'000'000);
        QCOMPARE(ceil<milliseconds>(bucket.untilRefilled(start + 2s)), 0ms);
        bucket.setRate(1'000, start + 3s); // slow rates refill in slices of 512
        QCOMPARE(ceil<milliseconds>(bucket.untilRefilled(start + 3s)), 256ms);

        // A steady demand gets the rate exactly, whatever the slices; one that comes back later
        // than a burst lasts loses the difference.
        for (const auto& [slice, expected] : QList<std::pair<milliseconds, qint64>>{
                 {1ms, 100'000}, {37ms, 99'900}, {80ms, 60'000}}) {
            TokenBucket steady;
            steady.setRate(100'000, start);
            qint64 sent = 0;
            for (auto at = slice; at <= 1000ms; at += slice)
                sent += steady.take(1'000'000, start + at);
            QVERIFY2(std::abs(sent - expected) <= 1, qPrintable(QString::number(sent)));
        }
    }

    void limitedBodiesShareOneRateThatCanChange() {
        using Clock = std::chrono::steady_clock;
        TestHTTPServer server;
        server.setHandler([](const RecordedRequest&) { return Reply::empty(200); });
        URLSession session;
        const auto put = [&](const QString& path, const QByteArray& body, bool limited) {
            HTTPRequest request = requestTo(server.url(path), "PUT");
            request.uploadRateLimited = limited;
            return HTTP::upload(session, request, body, {}, {});
        };
        const QByteArray first = patternedBody(150'000), second = patternedBody(150'001);

        // Two parts at 100,000 bytes per second together cannot take less than about 2.9 s.
        session.setUploadRateLimit(100'000);
        const auto started = Clock::now();
        auto running = put("/1", first, true);
        Testing::await(put("/2", second, true));
        Testing::await(std::move(running));
        QVERIFY(Clock::now() - started >= std::chrono::milliseconds(2900));

        // At 1,000 bytes per second the part would take minutes; a request that is not limited
        // passes it, and lifting the limit lets the part through at once.
        session.setUploadRateLimit(1'000);
        running = put("/1", first, true);
        Testing::await(put("/2", second, false));
        QVERIFY(!running.isReady());
        session.setUploadRateLimit(0);
        Testing::await(std::move(running));
        for (const RecordedRequest& request : server.requests())
            QVERIFY(request.body == (request.path() == "/1" ? first : second));
    }

    void passingFailuresAreNetworkErrors() {
        URLSession session;
        const auto failureFrom = [&session](HTTPRequest request) {
            return failureOf(HTTP::exchange(session, std::move(request), {}));
        };
        QCOMPARE(failureFrom(requestTo(closedPort())).kind(), ParcelKitError::Kind::network);

        TestHTTPServer server;
        // Before any byte, inside the head, inside the body.
        for (const qint64 dropAfter : {0, 12, 120}) {
            server.enqueue(Reply::text(200, QByteArray(1000, 'b')).droppedAfter(dropAfter));
            QVERIFY2(failureFrom(requestTo(server.url())).kind() == ParcelKitError::Kind::network,
                     qPrintable(QString::number(dropAfter)));
        }
        server.enqueue(Reply::rawBytes("SSH-2.0-OpenSSH_9.2\r\n\r\n"));
        QCOMPARE(failureFrom(requestTo(server.url())),
                 ParcelKitError::network("The server sent no answer."));
        // libcurl takes a head cut short for a whole answer without a body.
        server.enqueue(Reply::rawBytes("HTTP/1.1 200 OK\r\nContent-Type: application/js"));
        const ParcelKitError cutHead = failureFrom(requestTo(server.url()));
        QCOMPARE(cutHead.kind(), ParcelKitError::Kind::network);
        QCOMPARE(cutHead.userText(), QStringLiteral("The network connection was lost."));

        // The timeout counts idle time: it ends a silent request and abandons it.
        server.enqueue(Reply::text(200, "late").after(30s));
        HTTPRequest slow = requestTo(server.url("/slow"));
        slow.timeout = 1s;
        QCOMPARE(failureFrom(slow).kind(), ParcelKitError::Kind::network);
        QVERIFY(spinUntil([&] { return server.abandonedRequests() == 1; }));

        server.dropNextRequestAfter(1024 * 1024);
        const ParcelKitError cut =
            failureOf(HTTP::upload(session, requestTo(server.url("/part"), "PUT"),
                                   patternedBody(8 * 1024 * 1024), {}, {}));
        QCOMPARE(cut.kind(), ParcelKitError::Kind::network);
        QVERIFY(!server.requests().last().bodyComplete);
        QCOMPARE(server.requests().last().body.size(), 1024 * 1024);
    }

    void requestsThatCannotSucceedArePermanent() {
        URLSession session;
        const auto expectPermanent = [&session](HTTPRequest request) {
            const ParcelKitError error = failureOf(HTTP::exchange(session, std::move(request), {}));
            QCOMPARE(error.kind(), ParcelKitError::Kind::server);
            QCOMPARE(error.status(), 0);
        };
        for (const QUrl& url :
             {QUrl("/api/v1/me"), QUrl("http://127.0.0.1:99999/"), QUrl("http:///path"),
              QUrl("ftp://127.0.0.1/file"), QUrl("file:///etc/hostname")})
            expectPermanent(requestTo(url));

        // An answer that never ends is bounded, and is the server's fault.
        TestHTTPServer endless;
        endless.enqueue(Reply::text(200, QByteArray(100 * 1024 * 1024, ' ')));
        const ParcelKitError tooLong =
            failureOf(HTTP::exchange(session, requestTo(endless.url()), {}));
        QCOMPARE(tooLong.kind(), ParcelKitError::Kind::server);
        QCOMPARE(tooLong.userText(),
                 QStringLiteral("The server sent an answer the app doesn't understand."));

        TestHTTPServer server;
        HTTPRequest injected = requestTo(server.url("/x"));
        injected.setHeader("Authorization", "Bearer abc\r\nX-Injected: 1");
        expectPermanent(injected);
        QCOMPARE(server.requestCount(), 0);

        // A server that speaks no TLS, and one whose certificate nobody vouches for.
        QUrl plain = server.url("/secure");
        plain.setScheme("https");
        expectPermanent(requestTo(plain));
        TestTLSServer untrusted;
        const TransportError transport = transportFailureOf(session, requestTo(untrusted.url()));
        QCOMPARE(transport.curlCode(), int(CURLE_PEER_FAILED_VERIFICATION));
        QCOMPARE(failureOf(HTTP::exchange(session, requestTo(untrusted.url()), {})),
                 ParcelKitError::server(0, transport.description()));
    }
};

QTEST_GUILESS_MAIN(tst_HTTPExchange)
#include "tst_HTTPExchange.moc"
