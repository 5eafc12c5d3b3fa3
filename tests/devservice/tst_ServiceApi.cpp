// The REST API of parcella-devservice: record shapes, the upload path through presigned storage
// requests, transfers, validation answers and the isolation of users and workspaces.
#include "DevServiceProcess.h"
#include "ServiceClient.h"

#include <QJsonArray>
#include <QRegularExpression>
#include <QTest>

namespace {
const QRegularExpression wireDate(QStringLiteral(R"(^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z$)"));
}

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

    void meListsSeededWorkspaces() {
        const auto me = client->api("GET", "me", devToken);
        QCOMPARE(me.status, 200);
        const auto data = me.json()["data"].toObject();
        for (const char* key : {"id", "name", "email", "locale"})
            QVERIFY2(data[key].isString(), key);
        const auto workspaces = data["workspaces"].toArray();
        QCOMPARE(workspaces.size(), 2);
        const auto studio = workspaces[0].toObject();
        QCOMPARE(studio["id"].toString(), QString("studio"));
        QCOMPARE(studio["default_brand_id"].toString(), QString("brand-studio"));
        QVERIFY(studio["brands"].toArray().size() >= 1);
        QVERIFY(studio["brands"].toArray()[0].toObject()["name"].isString());

        const auto other = client->api("GET", "me", secondToken).json()["data"].toObject();
        QCOMPARE(other["workspaces"].toArray().size(), 1);
        QCOMPARE(other["workspaces"].toArray()[0].toObject()["id"].toString(), QString("harbor"));
    }

    void everyCallNeedsAValidBearerToken() {
        for (const QString& token : {QString(), QString("not-a-token")}) {
            const auto reply = client->api("GET", "workspaces/studio/transfers", token);
            QCOMPARE(reply.status, 401);
            QVERIFY(!reply.json()["message"].toString().isEmpty());
        }
        QCOMPARE(client->api("GET", "nothing/here", devToken).status, 404);
    }

    void uploadSignCompleteAndCreateTransfer() {
        const auto sign = client->api("POST", "workspaces/studio/uploads/sign", devToken,
                                      QJsonObject{{"method", "POST"},
                                                  {"key", "report.pdf"},
                                                  {"contentType", "application/pdf"}});
        QCOMPARE(sign.status, 200);
        const auto signed_ = sign.json();
        const auto key = signed_["key"].toString();
        QVERIFY(key.startsWith("studio/"));
        QVERIFY(signed_["url"].toString().contains("X-Amz-Signature="));
        QVERIFY(signed_["url"].toString().contains("/ws-studio/"));
        QCOMPARE(signed_["headers"].toObject()["Content-Type"].toString(),
                 QString("application/pdf"));
        const auto uploadId = key.section('/', -1);
        const auto completePath = "workspaces/studio/uploads/" + uploadId + "/complete";

        // Not in storage yet: the client polls on 409.
        QCOMPARE(client->api("POST", completePath, devToken).status, 409);

        const auto put = client->api("POST", "workspaces/studio/uploads/sign", devToken,
                                     QJsonObject{{"method", "PUT"}, {"key", key}});
        QCOMPARE(put.status, 200);
        const QByteArray content = "%PDF-1.4 small test body";
        QCOMPARE(client->http().send("PUT", QUrl(put.json()["url"].toString()), content).status,
                 200);

        const auto confirmed = client->api("POST", completePath, devToken);
        QCOMPARE(confirmed.status, 200);
        const auto upload = confirmed.json();
        QCOMPARE(upload.keys(), (QStringList{"filename", "id", "size"}));
        QCOMPARE(upload["id"].toString(), uploadId);
        QCOMPARE(upload["filename"].toString(), QString("report.pdf"));
        QCOMPARE(upload["size"].toInteger(), content.size());

        const auto second = client->upload("studio", "b.txt", "bb", devToken);
        QVERIFY(!second.isEmpty());
        const auto created = client->api("POST", "workspaces/studio/transfers", devToken,
                                         QJsonObject{{"uploads", QJsonArray{second, uploadId}},
                                                     {"delivery", "link"},
                                                     {"subject", "Quarterly"},
                                                     {"expires_in", 7},
                                                     {"email_code", false}});
        QCOMPARE(created.status, 201);
        const auto transfer = created.json()["data"].toObject();
        QCOMPARE(transfer["delivery"].toString(), QString("link"));
        QCOMPARE(transfer["url"].toString(), service.url("/t/" + transfer["id"].toString()));
        QCOMPARE(transfer["file_count"].toInt(), 2);
        QCOMPARE(transfer["total_size"].toInteger(), content.size() + 2);
        QCOMPARE(transfer["files"].toArray()[0].toObject()["id"].toString(), second);
        QVERIFY(wireDate.match(transfer["expires_at"].toString()).hasMatch());
        const auto lifetime =
            QDateTime::fromString(transfer["created_at"].toString(), Qt::ISODateWithMs)
                .secsTo(
                    QDateTime::fromString(transfer["expires_at"].toString(), Qt::ISODateWithMs));
        QCOMPARE(lifetime, 7 * 24 * 3600);
        transferId = transfer["id"].toString();
    }

    void transfersListChangeExpiryAndDelete() {
        QVERIFY(!transferId.isEmpty());
        const auto newer = client->upload("studio", "c.txt", "c", devToken);
        const auto created = client->api("POST", "workspaces/studio/transfers", devToken,
                                         QJsonObject{{"uploads", QJsonArray{newer}},
                                                     {"delivery", "link"},
                                                     {"expires_in", 1},
                                                     {"password", "sesame"},
                                                     {"email_code", false}});
        QCOMPARE(created.status, 201);
        QCOMPARE(created.json()["data"].toObject()["protection"].toString(), QString("password"));
        const auto newest = created.json()["data"].toObject()["id"].toString();

        const auto list = client->api("GET", "workspaces/studio/transfers", devToken);
        QCOMPARE(list.status, 200);
        const auto data = list.json()["data"].toArray();
        QVERIFY(data.size() >= 2);
        QCOMPARE(data[0].toObject()["id"].toString(), newest);

        const auto path = "workspaces/studio/transfers/" + transferId;
        const auto patched = client->api("PATCH", path, devToken, QJsonObject{{"expires_in", 30}});
        QCOMPARE(patched.status, 200);
        const auto expires = QDateTime::fromString(
            patched.json()["data"].toObject()["expires_at"].toString(), Qt::ISODateWithMs);
        QVERIFY(expires > QDateTime::currentDateTimeUtc().addDays(29));

        QCOMPARE(client->api("DELETE", path, devToken).status, 200);
        const auto deleted = client->api("GET", path, devToken);
        QCOMPARE(deleted.status, 200);
        QVERIFY(
            wireDate.match(deleted.json()["data"].toObject()["revoked_at"].toString()).hasMatch());
        // Deleted transfers stay listed, so the client can show them as deleted.
        const auto after = client->api("GET", "workspaces/studio/transfers", devToken);
        QVERIFY(QJsonDocument(after.json()).toJson().contains(transferId.toUtf8()));
        QCOMPARE(client->api("PATCH", path, devToken, QJsonObject{{"expires_in", 3}}).status, 422);
    }

    void percentEncodedSegmentsAreDecoded() {
        QCOMPARE(client->api("GET", "workspaces/%73tudio/transfers", devToken).status, 200);
        QCOMPARE(client->api("GET", "workspaces/stu%20dio/transfers", devToken).status, 404);
    }

    void usersAreIsolated() {
        QVERIFY(!transferId.isEmpty());
        QCOMPARE(client->api("GET", "workspaces/studio/transfers", secondToken).status, 404);
        QCOMPARE(
            client->api("GET", "workspaces/studio/transfers/" + transferId, secondToken).status,
            404);
        QCOMPARE(
            client->api("DELETE", "workspaces/studio/transfers/" + transferId, secondToken).status,
            404);
        QCOMPARE(client
                     ->api("POST", "workspaces/studio/uploads/sign", secondToken,
                           QJsonObject{{"method", "POST"}, {"key", "x"}})
                     .status,
                 404);
        // An upload of another workspace can be neither signed for, confirmed nor sent.
        const auto foreign = client->upload("studio", "mine.txt", "mine", devToken);
        QCOMPARE(client
                     ->api("POST", "workspaces/harbor/uploads/sign", secondToken,
                           QJsonObject{{"method", "GET"}, {"key", "harbor/" + foreign}})
                     .status,
                 404);
        QCOMPARE(
            client->api("POST", "workspaces/harbor/uploads/" + foreign + "/complete", secondToken)
                .status,
            404);
        const auto stolen = client->api("POST", "workspaces/harbor/transfers", secondToken,
                                        QJsonObject{{"uploads", QJsonArray{foreign}},
                                                    {"delivery", "link"},
                                                    {"expires_in", 7},
                                                    {"email_code", false}});
        QCOMPARE(stolen.status, 422);
        QVERIFY(stolen.json()["errors"].toObject().contains("uploads"));
    }

    void validationFailuresAnswer422() {
        const auto uploadId = client->upload("studio", "v.txt", "v", devToken);
        const auto create = [&](QJsonObject body) {
            return client->api("POST", "workspaces/studio/transfers", devToken, body);
        };
        const QJsonObject valid{{"uploads", QJsonArray{uploadId}},
                                {"delivery", "link"},
                                {"expires_in", 7},
                                {"email_code", false}};
        const auto expectError = [&](QJsonObject body, const QString& field) {
            const auto reply = create(body);
            QCOMPARE(reply.status, 422);
            QVERIFY(!reply.json()["message"].toString().isEmpty());
            QVERIFY2(reply.json()["errors"].toObject()[field].toArray().size() > 0,
                     reply.body.constData());
        };
        auto body = valid;
        body["delivery"] = "fax";
        expectError(body, "delivery");
        body = valid;
        body["expires_in"] = 0;
        expectError(body, "expires_in");
        body["expires_in"] = 366;
        expectError(body, "expires_in");
        body = valid;
        body["delivery"] = "email";
        expectError(body, "recipients");
        body["recipients"] = QJsonArray{"friend@example.com", "not an address"};
        expectError(body, "recipients");
        body = valid;
        body["password"] = "abc";
        expectError(body, "password");
        body = valid;
        body["email_code"] = true;
        expectError(body, "allowed_emails");
        body = valid;
        body["uploads"] = QJsonArray{"nope"};
        expectError(body, "uploads");
        body["uploads"] = QJsonArray{};
        expectError(body, "uploads");

        // What the client's own rules let through is accepted.
        body = valid;
        body["password"] = "abcd";
        QCOMPARE(create(body).status, 201);
        body = valid;
        body["email_code"] = true;
        body["allowed_emails"] = QJsonArray{"@example.com", "boss@corp.test"};
        QCOMPARE(create(body).json()["data"].toObject()["protection"].toString(),
                 QString("email_code"));

        // An upload that was signed but never stored cannot be sent.
        const auto pending = client->api("POST", "workspaces/studio/uploads/sign", devToken,
                                         QJsonObject{{"method", "POST"}, {"key", "p.bin"}});
        body = valid;
        body["uploads"] = QJsonArray{pending.json()["key"].toString().section('/', -1)};
        expectError(body, "uploads");

        const auto badSign = client->api("POST", "workspaces/studio/uploads/sign", devToken,
                                         QJsonObject{{"method", "PATCH"}, {"key", 5}});
        QCOMPARE(badSign.status, 422);
        QVERIFY(badSign.json()["errors"].toObject().contains("method"));
        QVERIFY(badSign.json()["errors"].toObject().contains("key"));
    }

    void malformedBodiesAreRefused() {
        for (const QByteArray& body :
             {QByteArray("{\"uploads\": ["), QByteArray("\xff\xfe"), QByteArray("not json")}) {
            const auto reply = client->api("POST", "workspaces/studio/transfers", devToken, body);
            QCOMPARE(reply.status, 400);
            QVERIFY(!reply.json()["message"].toString().isEmpty());
        }
        for (const QByteArray& body : {QByteArray("[]"), QByteArray("42"), QByteArray("null")}) {
            const auto reply =
                client->api("POST", "workspaces/studio/uploads/sign", devToken, body);
            QCOMPARE(reply.status, 422);
        }
        const auto huge =
            client->api("POST", "workspaces/studio/transfers", devToken, QByteArray(2 << 20, ' '));
        QCOMPARE(huge.status, 413);
        // The service is still answering.
        QCOMPARE(client->api("GET", "me", devToken).status, 200);
    }

    void previewsAreSignedAndCompleted() {
        const auto uploadId = client->upload("studio", "photo.png", "png", devToken);
        const auto base = "workspaces/studio/uploads/" + uploadId + "/previews";
        const auto sign =
            client->api("POST", base, devToken,
                        QJsonObject{{"kind", "thumbnail"}, {"contentType", "image/jpeg"}});
        QCOMPARE(sign.status, 200);
        QCOMPARE(sign.json()["key"].toString(), "studio/" + uploadId + ".thumbnail.jpg");
        QCOMPARE(client->api("POST", base + "/thumbnail/complete", devToken).status, 409);
        QCOMPARE(client->http()
                     .send("PUT", QUrl(sign.json()["url"].toString()), "\xff\xd8jpeg",
                           {{"Content-Type", "image/jpeg"}})
                     .status,
                 200);
        const auto done = client->api("POST", base + "/thumbnail/complete", devToken);
        QCOMPARE(done.status, 200);
        QCOMPARE(done.body.trimmed(), QByteArray("{}"));
        QCOMPARE(client
                     ->api("POST", base, devToken,
                           QJsonObject{{"kind", "poster"}, {"contentType", "image/jpeg"}})
                     .status,
                 422);
    }

private:
    DevServiceProcess service;
    std::unique_ptr<ServiceClient> client;
    QString devToken;
    QString secondToken;
    QString transferId;
};

QTEST_GUILESS_MAIN(tst_ServiceApi)
#include "tst_ServiceApi.moc"
