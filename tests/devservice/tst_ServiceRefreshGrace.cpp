// A client whose refresh answer was lost retries with the old refresh token: the devservice
// accepts that retry once within a minute of the rotation while the new tokens are unused.
#include "DevServiceProcess.h"
#include "ServiceClient.h"

#include <QTest>

class tst_ServiceRefreshGrace : public QObject {
    Q_OBJECT

    DevServiceProcess service{{"--admin-token", "grace-token"}};

    void advanceClock(int seconds) {
        ServiceClient client(service);
        const auto reply = client.http().send(
            "POST", QUrl(service.url("/admin/clock")),
            QJsonDocument(QJsonObject{{"advanceSeconds", seconds}}).toJson(),
            {{"X-Admin-Token", "grace-token"}, {"Content-Type", "application/json"}});
        QCOMPARE(reply.status, 204);
    }

private slots:
    void initTestCase() { QVERIFY2(service.isRunning(), qPrintable(service.errorText())); }

    void oldRefreshTokenOnceWithinTheGrace_data() {
        QTest::addColumn<int>("secondsLater");
        QTest::addColumn<bool>("newTokensUsed");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("within the window") << 59 << false << true;
        QTest::newRow("past the window") << 61 << false << false;
        QTest::newRow("new access token used") << 1 << true << false;
    }

    void oldRefreshTokenOnceWithinTheGrace() {
        QFETCH(int, secondsLater);
        QFETCH(bool, newTokensUsed);
        QFETCH(bool, accepted);
        ServiceClient client(service);
        const auto first = client.signIn();
        QVERIFY(first);
        const auto rotated = client.refresh(first->refreshToken);
        QCOMPARE(rotated.status, 200);
        const auto lost = rotated.json();
        if (newTokensUsed)
            QCOMPARE(client.api("GET", "me", lost["access_token"].toString()).status, 200);
        advanceClock(secondsLater);

        const auto retry = client.refresh(first->refreshToken);
        QCOMPARE(retry.status, accepted ? 200 : 400);
        if (!accepted) {
            QCOMPARE(retry.json()["error"].toString(), QString("invalid_grant"));
            return;
        }
        // The retry's tokens replace the lost ones, and the old token is spent.
        QCOMPARE(client.refresh(first->refreshToken).status, 400);
        QCOMPARE(client.api("GET", "me", lost["access_token"].toString()).status, 401);
        QCOMPARE(client.refresh(lost["refresh_token"].toString()).status, 400);
        QCOMPARE(client.api("GET", "me", retry.json()["access_token"].toString()).status, 200);
    }
};

QTEST_GUILESS_MAIN(tst_ServiceRefreshGrace)
#include "tst_ServiceRefreshGrace.moc"
