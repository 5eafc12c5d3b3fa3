#include "APIClient.h"
#include "AuthSession.h"
#include "Cancelled.h"
#include "HTTP.h"
#include "InMemoryTokenStore.h"
#include "ParcelKitError.h"
#include "TestHTTPServer.h"
#include "TestSupport.h"
#include "URLSession.h"

#include <QJsonDocument>
#include <QThread>
#include <QtTest>

#include <atomic>
#include <future>

using namespace ParcelKit;
using namespace ParcelKit::Testing;
using namespace std::chrono_literals;
using Reply = TestHTTPServer::Reply;

namespace {

const QString notUnderstood = "The server sent an answer the app doesn't understand.";

// Fixtures write JSON with ' for " so that they read without escapes.
QByteArray json(QByteArray text) {
    return text.replace('\'', '"');
}

Reply answer(int status, const QByteArray& body) {
    return Reply::text(status, json(body), "application/json");
}

const QByteArray transferJson = "{'id':'t1','delivery':'link','expires_at':'2025-03-08T10:00:00Z'}";
const QByteArray transferEnvelope = "{'data':" + transferJson + "}";

// The client against a loopback server playing the service: "/svc/oauth/token" hands out
// "access-1", "access-2", … and every other request is answered by `api`.
struct Fixture {
    TestHTTPServer server;
    URLSession urlSession;
    InMemoryTokenStore store{Tokens{"access-0", "refresh-0", Timestamp{100000}}};
    std::atomic<QThread*> clockThread{nullptr};
    std::atomic<int> refreshes{0};
    std::unique_ptr<AuthSession> auth;
    std::unique_ptr<APIClient> client;

    Fixture() {
        const ParcellaConfiguration configuration{server.url("/svc"), "client",
                                                  QUrl("parcella://oauth/callback")};
        // The session reads its clock when it hands out a token; which thread that happens on
        // tells whether the client hopped to the main thread.
        auth = std::make_unique<AuthSession>(configuration, store, urlSession, [this] {
            clockThread = QThread::currentThread();
            return Timestamp{1000};
        });
        client = std::make_unique<APIClient>(configuration, *auth, urlSession);
    }

    void answer(std::function<Reply(const RecordedRequest&)> api) {
        server.setHandler([this, api](const RecordedRequest& request) {
            if (request.path().endsWith("/oauth/token")) {
                const QString access = QStringLiteral("access-%1").arg(++refreshes);
                return Reply::json(200, QJsonObject{{"access_token", access},
                                                    {"refresh_token", "refresh"},
                                                    {"expires_in", 3600}});
            }
            return api(request);
        });
    }

    void answerAll(int status, const QByteArray& body) {
        answer([=](const RecordedRequest&) { return ::answer(status, body); });
    }

    QList<RecordedRequest> apiRequests() const {
        QList<RecordedRequest> result = server.requests();
        result.removeIf([](const RecordedRequest& r) { return r.path().endsWith("/oauth/token"); });
        return result;
    }
};

} // namespace

class APIClientTest : public QObject {
    Q_OBJECT

private slots:
    void postsWithoutBodyCarryAnEmptyObject() {
        Fixture f;
        f.answerAll(200, "{'id':'u1','filename':'a b.mov','size':9007199254740993}");
        const ConfirmedUpload confirmed =
            Testing::await(f.client->completeUpload("up 1?#%", "team one", {}));
        QCOMPARE(confirmed, (ConfirmedUpload{"u1", "a b.mov", 9007199254740993}));

        Testing::await(f.client->send("POST", "workspaces/w/uploads/u/previews/thumbnail/complete",
                                      std::nullopt, {}));
        for (const RecordedRequest& request : f.server.requests()) {
            QCOMPARE(request.method, QByteArray("POST"));
            QCOMPARE(request.header("Content-Type"), QByteArray("application/json"));
            QCOMPARE(request.body, QByteArray("{}"));
            QCOMPARE(request.header("Accept"), QByteArray("application/json"));
            QCOMPARE(request.header("Accept-Language"), HTTP::acceptLanguage().toUtf8());
            QCOMPARE(request.header("Authorization"), QByteArray("Bearer access-0"));
        }
        QCOMPARE(f.server.requests().at(0).target,
                 QByteArray("/svc/api/v1/workspaces/team%20one/uploads/up%201%3F%23%25/complete"));
    }

    void undecodableAnswersFailAsNotUnderstood() {
        Fixture f;
        const auto expectNotUnderstood = [&f](int status, const QByteArray& body, auto call) {
            f.answerAll(status, body);
            const auto error = Testing::failureOf(call());
            QVERIFY2(error, body.constData());
            QCOMPARE(*error, ParcelKitError::server(status, notUnderstood));
        };
        const auto list = [&f] { return f.client->transfers("w", {}); };
        const auto one = [&f] { return f.client->transfer("t", "w", {}); };
        const auto sign = [&f] {
            return f.client->signUpload(SignBody{"PUT", "k", {}, {}, {}}, "w", {});
        };
        const auto complete = [&f] { return f.client->completeUpload("u", "w", {}); };

        expectNotUnderstood(200, "{'data':null}", list);
        expectNotUnderstood(200, "[]", list);
        expectNotUnderstood(201, "{'data':[" + transferJson + ",{'id':'t2'}]}", list);
        expectNotUnderstood(200, transferJson, one);
        expectNotUnderstood(200, "{'data':{'url':'https://s3.example.org/b/k'}}", sign);
        expectNotUnderstood(200, "{'data':{'id':'u','filename':'a','size':1}}", complete);
        expectNotUnderstood(200, "<html>", one);
        expectNotUnderstood(200, "{'data':{'id':'t','delivery':'fax','expires_at':'x'}}", one);
        expectNotUnderstood(200, "{'id':'u','filename':'a','size':1e30}", complete);

        f.answerAll(200, "{'data':[]}");
        QVERIFY(Testing::await(list()).isEmpty());
    }

    void failuresOfTheRetryAreTheAnswer() {
        Fixture f;
        f.answer([](const RecordedRequest& request) {
            if (request.header("Authorization") == "Bearer access-0")
                return answer(401, "{}");
            return answer(500, "{}");
        });
        QCOMPARE(Testing::failureOf(f.client->me({})), ParcelKitError::server(500));
        QVERIFY(f.auth->isSignedIn());

        // A second rejection signs out locally; signed out, nothing is sent at all.
        f.answerAll(401, "{}");
        QCOMPARE(Testing::failureOf(f.client->me({})), ParcelKitError::notSignedIn());
        QVERIFY(!f.auth->isSignedIn());
        QVERIFY(spinUntil([&f] { return !f.store.load(); }));
        QCOMPARE(f.apiRequests().size(), 4);
        QCOMPARE(Testing::failureOf(f.client->me({})), ParcelKitError::notSignedIn());
        QCOMPARE(f.apiRequests().size(), 4);
    }

    void retryUsesATokenRefreshedMeanwhile() {
        Fixture f;
        // The first request is held until another caller has refreshed the session.
        std::promise<void> refreshed;
        std::shared_future<void> gate = refreshed.get_future().share();
        f.answer([gate](const RecordedRequest& request) {
            if (request.header("Authorization") == "Bearer access-0") {
                gate.wait_for(20s);
                return answer(401, "{}");
            }
            return answer(200, transferEnvelope);
        });
        auto pending = f.client->transfer("t1", "w", {});
        QVERIFY(spinUntil([&f] { return f.server.requestCount() == 1; }));
        // The held request occupies the handler, so the refresh is answered from the script.
        f.server.enqueue(Reply::json(200, QJsonObject{{"access_token", "access-9"},
                                                      {"refresh_token", "refresh"},
                                                      {"expires_in", 3600}}));
        QCOMPARE(Testing::await(f.auth->refresh({})).accessToken, QStringLiteral("access-9"));
        refreshed.set_value();

        QCOMPARE(Testing::await(std::move(pending)).id, "t1");
        QCOMPARE(f.refreshes.load(), 0);
        const QList<RecordedRequest> requests = f.apiRequests();
        QCOMPARE(requests.size(), 2);
        QCOMPARE(requests[1].header("Authorization"), QByteArray("Bearer access-9"));
        QCOMPARE(f.server.requestCount(), 3);
    }

    void cancellationIsNoEngineError() {
        Fixture f;
        f.answer([](const RecordedRequest&) { return answer(200, transferEnvelope).after(10s); });
        std::stop_source stop;
        auto pending = f.client->transfer("t1", "w", stop.get_token());
        QVERIFY(spinUntil([&f] { return f.server.requestCount() == 1; }));
        stop.request_stop();
        QVERIFY_THROWS_EXCEPTION(Cancelled, Testing::await(std::move(pending)));
        QVERIFY(f.auth->isSignedIn());
    }

    void retryAfter401GetsItsTokenOnTheMainThread() {
        Fixture f;
        f.answer([](const RecordedRequest& request) {
            if (request.header("Authorization") == "Bearer access-0")
                return answer(401, "{}");
            return answer(200, transferEnvelope);
        });
        WorkerThread worker;
        const auto fetched = worker.begin([&f] { return f.client->transfer("t1", "w", {}); });
        QVERIFY(spinUntil([&] { return fetched->done.load(); }));
        QVERIFY(fetched->value);
        QCOMPARE(fetched->value->id, QStringLiteral("t1"));
        QCOMPARE(fetched->endedOn, worker.thread());
        QCOMPARE(f.clockThread.load(), QThread::currentThread());
        // The 401 was retried once, with a fresh token.
        QCOMPARE(f.refreshes.load(), 1);
        const QList<RecordedRequest> requests = f.apiRequests();
        QCOMPARE(requests.size(), 2);
        QCOMPARE(requests[1].header("Authorization"), QByteArray("Bearer access-1"));
        QCOMPARE(requests[1].target, requests[0].target);
    }
};

QTEST_GUILESS_MAIN(APIClientTest)
#include "tst_APIClient.moc"
