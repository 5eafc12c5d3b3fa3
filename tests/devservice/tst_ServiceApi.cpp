// The REST API of parcella-devservice where no client goes: refused tokens, the isolation of
// users and workspaces, validation and malformed bodies, and the upload states a well-behaved
// client never meets. The paths a client takes are followed end to end by tests/e2e.
#include "DevServiceProcess.h"
#include "ServiceClient.h"

#include <QJsonArray>
#include <QTest>

class tst_ServiceApi : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QVERIFY2(service.isRunning(), qPrintable(service.errorText()));
        client = std::make_unique<ServiceClient>(service);
        const auto dev = client->signIn("user-dev");
        const auto second = client->signIn("user-second");
        QVERIFY(dev && second);
        devToken = dev->accessToken;
        secondToken = second->accessToken;
    }

    void everyCallNeedsAValidBearerToken() {
        for (const QString& token : {QString(), QString("not-a-token")}) {
            const auto reply = client->api("GET", "workspaces/studio/transfers", token);
            QCOMPARE(reply.status, 401);
            QVERIFY(!reply.json()["message"].toString().isEmpty());
        }
        QCOMPARE(client->api("GET", "nothing/here", devToken).status, 404);
    }

    void usersAreIsolated() {
        const auto mine = client->upload("studio", "mine.txt", "mine", devToken);
        const auto transfer = create(devToken, QJsonArray{mine});
        QCOMPARE(transfer.status, 201);
        const auto transferPath =
            "workspaces/studio/transfers/" + transfer.json()["data"].toObject()["id"].toString();
        QCOMPARE(client->api("GET", "workspaces/studio/transfers", secondToken).status, 404);
        QCOMPARE(client->api("GET", transferPath, secondToken).status, 404);
        QCOMPARE(client->api("DELETE", transferPath, secondToken).status, 404);
        QCOMPARE(sign(secondToken, "studio", {{"method", "POST"}, {"key", "x"}}).status, 404);
        // An upload of another workspace can be neither signed for, confirmed nor sent.
        QCOMPARE(sign(secondToken, "harbor", {{"method", "GET"}, {"key", "harbor/" + mine}}).status,
                 404);
        QCOMPARE(client->api("POST", "workspaces/harbor/uploads/" + mine + "/complete", secondToken)
                     .status,
                 404);
        const auto stolen = create(secondToken, QJsonArray{mine}, "harbor");
        QCOMPARE(stolen.status, 422);
        QVERIFY(stolen.json()["errors"].toObject().contains("uploads"));
    }

    void validationFailuresAnswer422_data() {
        QTest::addColumn<QJsonObject>("changes");
        QTest::addColumn<QString>("field");
        QTest::newRow("delivery") << QJsonObject{{"delivery", "fax"}} << "delivery";
        QTest::newRow("no days") << QJsonObject{{"expires_in", 0}} << "expires_in";
        QTest::newRow("too many days") << QJsonObject{{"expires_in", 366}} << "expires_in";
        QTest::newRow("no recipients") << QJsonObject{{"delivery", "email"}} << "recipients";
        QTest::newRow("bad recipient")
            << QJsonObject{{"delivery", "email"},
                           {"recipients", QJsonArray{"friend@example.com", "not an address"}}}
            << "recipients";
        QTest::newRow("short password") << QJsonObject{{"password", "abc"}} << "password";
        QTest::newRow("code for nobody") << QJsonObject{{"email_code", true}} << "allowed_emails";
        QTest::newRow("unknown upload")
            << QJsonObject{{"uploads", QJsonArray{"nope"}}} << "uploads";
        QTest::newRow("no uploads") << QJsonObject{{"uploads", QJsonArray{}}} << "uploads";
    }

    void validationFailuresAnswer422() {
        QFETCH(QJsonObject, changes);
        QFETCH(QString, field);
        QJsonObject body = transferBody(QJsonArray{client->upload("studio", "v", "v", devToken)});
        for (auto change = changes.begin(); change != changes.end(); ++change)
            body[change.key()] = change.value();
        const auto reply = client->api("POST", "workspaces/studio/transfers", devToken, body);
        QCOMPARE(reply.status, 422);
        QVERIFY(!reply.json()["message"].toString().isEmpty());
        QVERIFY2(reply.json()["errors"].toObject()[field].toArray().size() > 0,
                 reply.body.constData());
    }

    void malformedBodiesAreRefused() {
        for (const QByteArray& body :
             {QByteArray("{\"uploads\": ["), QByteArray("\xff\xfe"), QByteArray("not json")}) {
            const auto reply = client->api("POST", "workspaces/studio/transfers", devToken, body);
            QCOMPARE(reply.status, 400);
            QVERIFY(!reply.json()["message"].toString().isEmpty());
        }
        for (const QByteArray& body : {QByteArray("[]"), QByteArray("42"), QByteArray("null")})
            QCOMPARE(client->api("POST", "workspaces/studio/uploads/sign", devToken, body).status,
                     422);
        const auto badSign = sign(devToken, "studio", {{"method", "PATCH"}, {"key", 5}});
        QCOMPARE(badSign.status, 422);
        QVERIFY(badSign.json()["errors"].toObject().contains("method"));
        QVERIFY(badSign.json()["errors"].toObject().contains("key"));
        const auto huge =
            client->api("POST", "workspaces/studio/transfers", devToken, QByteArray(2 << 20, ' '));
        QCOMPARE(huge.status, 413);
        QCOMPARE(client->api("GET", "me", devToken).status, 200);
    }

    void unstoredUploadsAndPreviewsAreNotConfirmed() {
        const auto pending = sign(devToken, "studio", {{"method", "POST"}, {"key", "p.bin"}});
        const auto pendingId = pending.json()["key"].toString().section('/', -1);
        QCOMPARE(
            client->api("POST", "workspaces/studio/uploads/" + pendingId + "/complete", devToken)
                .status,
            409);
        QCOMPARE(create(devToken, QJsonArray{pendingId}).status, 422);

        const auto uploadId = client->upload("studio", "photo.png", "png", devToken);
        const auto base = "workspaces/studio/uploads/" + uploadId + "/previews";
        const auto preview =
            client->api("POST", base, devToken,
                        QJsonObject{{"kind", "thumbnail"}, {"contentType", "image/jpeg"}});
        QCOMPARE(preview.json()["key"].toString(), "studio/" + uploadId + ".thumbnail.jpg");
        QCOMPARE(client->api("POST", base + "/thumbnail/complete", devToken).status, 409);
        QCOMPARE(client->http()
                     .send("PUT", QUrl(preview.json()["url"].toString()), "\xff\xd8jpeg",
                           {{"Content-Type", "image/jpeg"}})
                     .status,
                 200);
        QCOMPARE(client->api("POST", base + "/thumbnail/complete", devToken).status, 200);
        QCOMPARE(client
                     ->api("POST", base, devToken,
                           QJsonObject{{"kind", "poster"}, {"contentType", "image/jpeg"}})
                     .status,
                 422);
    }

private:
    static QJsonObject transferBody(const QJsonArray& uploads) {
        return {
            {"uploads", uploads}, {"delivery", "link"}, {"expires_in", 7}, {"email_code", false}};
    }

    HttpReply create(const QString& token, const QJsonArray& uploads,
                     const QString& workspace = "studio") {
        return client->api("POST", "workspaces/" + workspace + "/transfers", token,
                           transferBody(uploads));
    }

    HttpReply sign(const QString& token, const QString& workspace, const QJsonObject& body) {
        return client->api("POST", "workspaces/" + workspace + "/uploads/sign", token, body);
    }

    DevServiceProcess service;
    std::unique_ptr<ServiceClient> client;
    QString devToken;
    QString secondToken;
};

QTEST_GUILESS_MAIN(tst_ServiceApi)
#include "tst_ServiceApi.moc"
