// The download page behind a transfer's link: listing and streaming files, the view and download
// counts the application polls, password and e-mail-code protection. E-mail delivery to the
// recipients is followed end to end by the e2e tests.
#include "DevServiceProcess.h"
#include "ServiceClient.h"

#include <QDir>
#include <QJsonArray>
#include <QRegularExpression>
#include <QTest>

class tst_ServiceDownloadPage : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QVERIFY2(service.isRunning(), qPrintable(service.errorText()));
        client = std::make_unique<ServiceClient>(service);
        const auto tokens = client->signIn();
        QVERIFY(tokens);
        token = tokens->accessToken;
    }

    void viewingAndDownloadingAreCounted() {
        // Larger than one streaming slice, so the download is sent in several pieces.
        QByteArray content(700 * 1024, '\0');
        for (int i = 0; i < content.size(); ++i)
            content[i] = char(i * 7 % 251);
        const auto fileId = client->upload("studio", "holiday photos.zip", content, token);
        QVERIFY(!fileId.isEmpty());
        const auto transfer = create({{"uploads", QJsonArray{fileId}}, {"delivery", "link"}});
        const auto pageUrl = QUrl(transfer["url"].toString());

        const auto page = client->http().get(pageUrl);
        QCOMPARE(page.status, 200);
        QVERIFY(page.body.contains("holiday photos.zip"));
        const auto fileLink = "/t/" + transfer["id"].toString() + "/files/" + fileId;
        QVERIFY(page.body.contains(fileLink.toUtf8()));
        auto current = fetch(transfer["id"].toString());
        QCOMPARE(current["view_count"].toInt(), 1);
        QVERIFY(current.contains("viewed_at"));
        QCOMPARE(current["download_count"].toInt(), 0);
        QVERIFY(!current.contains("downloaded_at"));

        const auto download = client->http().get(QUrl(service.url(fileLink)));
        QCOMPARE(download.status, 200);
        QVERIFY(download.body == content);
        QVERIFY(download.header("Content-Disposition").contains("holiday photos.zip"));
        current = fetch(transfer["id"].toString());
        QCOMPARE(current["download_count"].toInt(), 1);
        QVERIFY(current.contains("downloaded_at"));

        QCOMPARE(
            client->http()
                .get(QUrl(service.url("/t/" + transfer["id"].toString() + "/files/someone-elses")))
                .status,
            404);
        QCOMPARE(client->http().get(QUrl(service.url("/t/unknown-transfer"))).status, 404);

        client->api("DELETE", "workspaces/studio/transfers/" + transfer["id"].toString(), token);
        QCOMPARE(client->http().get(pageUrl).status, 410);
        QCOMPARE(client->http().get(QUrl(service.url(fileLink))).status, 410);
    }

    void passwordProtectsPageAndFiles() {
        const auto fileId = client->upload("studio", "secret.txt", "top secret", token);
        const auto transfer = create(
            {{"uploads", QJsonArray{fileId}}, {"delivery", "link"}, {"password", "open sesame"}});
        const auto id = transfer["id"].toString();
        const QUrl pageUrl(transfer["url"].toString());
        const QUrl fileUrl(service.url("/t/" + id + "/files/" + fileId));

        const auto locked = client->http().get(pageUrl);
        QCOMPARE(locked.status, 200);
        QVERIFY(locked.body.contains("type=\"password\""));
        QVERIFY(!locked.body.contains("secret.txt"));
        QCOMPARE(client->http().get(fileUrl).status, 403);
        QCOMPARE(fetch(id)["view_count"].toInt(), 0);

        const QUrl passwordUrl(service.url("/t/" + id + "/password"));
        QCOMPARE(client->http().postForm(passwordUrl, {{"password", "open says me"}}).status, 403);
        const auto opened = client->http().postForm(passwordUrl, {{"password", "open sesame"}});
        QCOMPARE(opened.status, 303);
        const auto cookie = opened.header("Set-Cookie").split(';').first();
        QVERIFY(!cookie.isEmpty());

        const auto page = client->http().get(pageUrl, {{"Cookie", cookie}});
        QVERIFY(page.body.contains("secret.txt"));
        QCOMPARE(client->http().get(fileUrl, {{"Cookie", cookie}}).body, QByteArray("top secret"));
        // A forged grant opens nothing.
        const auto forged = cookie.left(cookie.size() - 4) + "0000";
        QCOMPARE(client->http().get(fileUrl, {{"Cookie", forged}}).status, 403);
        const auto counts = fetch(id);
        QCOMPARE(counts["view_count"].toInt(), 1);
        QCOMPARE(counts["download_count"].toInt(), 1);
    }

    void emailCodeOpensForAllowedAddressesOnly() {
        const auto fileId = client->upload("studio", "plan.pdf", "plan", token);
        const auto transfer = create({{"uploads", QJsonArray{fileId}},
                                      {"delivery", "link"},
                                      {"email_code", true},
                                      {"allowed_emails", QJsonArray{"@example.com"}}});
        const auto id = transfer["id"].toString();
        QCOMPARE(transfer["protection"].toString(), QString("email_code"));
        const QUrl codeUrl(service.url("/t/" + id + "/code"));
        const QUrl verifyUrl(service.url("/t/" + id + "/verify"));

        const auto before = outbox().size();
        const auto outsider = client->http().postForm(codeUrl, {{"email", "eve@elsewhere.test"}});
        QCOMPARE(outsider.status, 200);
        QCOMPARE(outbox().size(), before);

        QCOMPARE(client->http().postForm(codeUrl, {{"email", "Ann@Example.com"}}).status, 200);
        const auto messages = outbox();
        QCOMPARE(messages.size(), before + 1);
        const auto mail = readMail(messages.last());
        QVERIFY(mail.contains("To: ann@example.com"));
        const auto code = QRegularExpression("code: (\\d{6})").match(mail).captured(1);
        QVERIFY(!code.isEmpty());

        const auto wrong =
            client->http().postForm(verifyUrl, {{"email", "ann@example.com"},
                                                {"code", code == "000000" ? "111111" : "000000"}});
        QCOMPARE(wrong.status, 403);
        QVERIFY(wrong.header("Set-Cookie").isEmpty());
        const auto right =
            client->http().postForm(verifyUrl, {{"email", "ann@example.com"}, {"code", code}});
        QCOMPARE(right.status, 303);
        const auto cookie = right.header("Set-Cookie").split(';').first();
        QVERIFY(client->http()
                    .get(QUrl(transfer["url"].toString()), {{"Cookie", cookie}})
                    .body.contains("plan.pdf"));
        // A code works once.
        QCOMPARE(client->http()
                     .postForm(verifyUrl, {{"email", "ann@example.com"}, {"code", code}})
                     .status,
                 403);
    }

private:
    QJsonObject create(QJsonObject body) {
        body["expires_in"] = 7;
        if (!body.contains("email_code"))
            body["email_code"] = false;
        const auto reply = client->api("POST", "workspaces/studio/transfers", token, body);
        if (reply.status != 201)
            qWarning() << reply.status << reply.body;
        return reply.json()["data"].toObject();
    }

    QJsonObject fetch(const QString& transferId) {
        return client->api("GET", "workspaces/studio/transfers/" + transferId, token)
            .json()["data"]
            .toObject();
    }

    QStringList outbox() const {
        const QDir dir(service.dataDir() + "/outbox");
        QStringList files;
        for (const auto& name : dir.entryList({"*.eml"}, QDir::Files, QDir::Name))
            files << dir.filePath(name);
        return files;
    }

    static QString readMail(const QString& path) {
        QFile file(path);
        file.open(QIODevice::ReadOnly);
        return QString::fromUtf8(file.readAll());
    }

    DevServiceProcess service;
    std::unique_ptr<ServiceClient> client;
    QString token;
};

QTEST_GUILESS_MAIN(tst_ServiceDownloadPage)
#include "tst_ServiceDownloadPage.moc"
