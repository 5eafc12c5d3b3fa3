// Scripted faults and request counters of the admin endpoints, as the end-to-end tests use them:
// error answers, connections cut mid-body, and proof of what was received.
#include "DevServiceProcess.h"
#include "HttpClient.h"
#include "StorageTestSupport.h"

#include <QJsonArray>
#include <QTest>

using namespace storagetest;

class StorageFaultsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<DevServiceProcess> service;
    // Dropped before the service so that no idle keep-alive connection delays its exit.
    std::unique_ptr<HttpClient> client;
    const QString bucket = QStringLiteral("ws-faults");
    QString uploadId;

    HttpReply putPart(int number, const QByteArray& data, const QString& key = "9/file") {
        return client->send("PUT",
                            presigned(*service, "PUT", bucket, key,
                                      {{"partNumber", std::to_string(number)},
                                       {"uploadId", uploadId.toStdString()}}),
                            data);
    }

    QJsonObject counters() {
        const auto reply = admin(*client, *service, "GET", "/admin/counters");
        return reply.status == 200 ? reply.json() : QJsonObject();
    }

    // A raw PUT of a part, so that a cut connection shows as exactly that.
    RawReply rawPutPart(int number, const QByteArray& data) {
        const QUrl url = presigned(
            *service, "PUT", bucket, "9/file",
            {{"partNumber", std::to_string(number)}, {"uploadId", uploadId.toStdString()}});
        return rawExchange(*service,
                           "PUT " + url.toEncoded(QUrl::RemoveScheme | QUrl::RemoveAuthority) +
                               " HTTP/1.1\r\nHost: " + url.authority().toLatin1() +
                               "\r\nContent-Length: " + QByteArray::number(data.size()) +
                               "\r\n\r\n",
                           data);
    }

private slots:
    void init() {
        service = std::make_unique<DevServiceProcess>(serviceArguments());
        QVERIFY2(service->isRunning(), qPrintable(service->errorText()));
        client = std::make_unique<HttpClient>();
        QCOMPARE(client->send("PUT", presigned(*service, "PUT", bucket, "")).status, 200);
        const auto created =
            client->send("POST", presigned(*service, "POST", bucket, "9/file", {{"uploads", ""}}));
        uploadId = xmlValue(created.body, "UploadId");
        QVERIFY(!uploadId.isEmpty());
    }

    void cleanup() {
        client.reset();
        service.reset();
    }

    void adminNeedsTheToken() {
        QCOMPARE(admin(*client, *service, "GET", "/admin/counters", {}, "").status, 403);
        QCOMPARE(admin(*client, *service, "GET", "/admin/counters", {}, "wrong").status, 403);
        QCOMPARE(
            admin(*client, *service, "POST", "/admin/faults", {{"status", 500}}, "wrong").status,
            403);
        QCOMPARE(admin(*client, *service, "GET", "/admin/counters").status, 200);

        client.reset();
        DevServiceProcess withoutToken;
        QVERIFY(withoutToken.isRunning());
        HttpClient other;
        QVERIFY(admin(other, withoutToken, "GET", "/admin/counters").status != 200);
        QVERIFY(admin(other, withoutToken, "POST", "/admin/faults", {{"status", 500}}).status !=
                200);
        client = std::make_unique<HttpClient>();
    }

    void answersScriptedStatusForMatchingRequests() {
        const QJsonObject rule{{"method", "PUT"}, {"path", "^/ws-faults/9/"}, {"count", 2},
                               {"status", 503},   {"code", "SlowDown"},       {"message", "busy"}};
        QCOMPARE(admin(*client, *service, "POST", "/admin/faults", rule).status, 200);

        // Other keys and methods do not consume the rule.
        QCOMPARE(client->send("PUT", presigned(*service, "PUT", bucket, "8/other"), "x").status,
                 200);
        QCOMPARE(client->get(presigned(*service, "GET", bucket, "8/other")).status, 200);

        for (int attempt = 0; attempt < 2; ++attempt) {
            const auto refused = putPart(1, "part one");
            QCOMPARE(refused.status, 503);
            QCOMPARE(xmlValue(refused.body, "Code"), QStringLiteral("SlowDown"));
            QCOMPARE(xmlValue(refused.body, "Message"), QStringLiteral("busy"));
        }
        const auto stored = putPart(1, "part one");
        QCOMPARE(stored.status, 200);
        QCOMPARE(stored.header("ETag"), quotedMd5("part one"));

        const QJsonObject seen = counters();
        QCOMPARE(seen["requests"].toObject()["part"].toInt(), 3);
        QCOMPARE(seen["requests"].toObject()["put"].toInt(), 1);
        QCOMPARE(seen["requests"].toObject()["create"].toInt(), 1);
        QCOMPARE(seen["parts"].toObject()[uploadId].toObject()["1"].toInt(), 3);
    }

    void cutsTheConnectionMidBody() {
        const QJsonObject rule{{"method", "PUT"}, {"dropAfterBytes", 1000}};
        QCOMPARE(admin(*client, *service, "POST", "/admin/faults", rule).status, 200);
        QCOMPARE(admin(*client, *service, "DELETE", "/admin/counters").status, 204);

        const QByteArray body(256 * 1024, 'b');
        const auto cut = rawPutPart(1, body);
        QVERIFY2(!cut.received.startsWith("HTTP/"), cut.received.left(200).constData());
        QVERIFY(cut.closedByServer);

        // Nothing of the cut request was stored, and the counters saw it arrive.
        const auto listing = client->get(
            presigned(*service, "GET", bucket, "9/file", {{"uploadId", uploadId.toStdString()}}));
        QCOMPARE(listing.status, 200);
        QVERIFY(xmlValues(listing.body, "PartNumber").isEmpty());
        const QJsonObject seen = counters();
        QCOMPARE(seen["parts"].toObject()[uploadId].toObject()["1"].toInt(), 1);
        QVERIFY(seen["bytesReceived"].toInteger() >= 1000);
        QVERIFY(seen["bytesReceived"].toInteger() < body.size());

        // The rule was used up: the same part now goes through.
        const auto stored = rawPutPart(1, body);
        QCOMPARE(rawStatus(stored), 200);
        QVERIFY(stored.received.contains(quotedMd5(body)));
    }
};

QTEST_GUILESS_MAIN(StorageFaultsTest)
#include "tst_StorageFaults.moc"
