#include "Addresses.h"
#include "PendingSend.h"
#include "SendForm.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

using namespace Parcella;
using ParcelKit::Delivery;

class tst_SendRules : public QObject {
    Q_OBJECT

private slots:
    void splittingAddresses() {
        QCOMPARE(addresses("a@x.org; b@y.org,c@z.org"),
                 QStringList({"a@x.org", "b@y.org", "c@z.org"}));
        QCOMPARE(addresses(" ,;; , \n\t"), QStringList());
        QCOMPARE(addresses("b@y.org\nb@y.org"), QStringList({"b@y.org", "b@y.org"}));
    }

    void validationOrderAndRules() {
        SendForm form;
        QCOMPARE(form.validationMessage(), std::nullopt);

        form.delivery = Delivery::email;
        form.recipients = " ,; ";
        form.protection = Protection::password;
        QCOMPARE(form.validationMessage(), QString("Add at least one recipient."));

        form.recipients = "a@x.org";
        QCOMPARE(form.validationMessage(), QString("The password needs at least 4 characters."));

        form.protection = Protection::emailCode;
        QCOMPARE(form.validationMessage(), std::nullopt); // e-mail recipients may ask for the code

        form.delivery = Delivery::link;
        QCOMPARE(form.validationMessage(), QString("Add who can ask for a code."));
        form.allowedEmails = "@Example.org";
        QCOMPARE(form.validationMessage(), std::nullopt);
    }

    void passwordCountsPerceivedCharacters() {
        SendForm form{.protection = Protection::password};
        form.password =
            QString::fromUtf8("\xF0\x9F\x98\x80\xF0\x9F\x98\x80\xF0\x9F\x91\x8D\xF0\x9F\x8F\xBD");
        QCOMPARE(perceivedLength(form.password), 3); // two faces and a thumbs-up with skin tone
        QVERIFY(form.validationMessage().has_value());
        form.password = "abc";
        QVERIFY(form.validationMessage().has_value());
        form.password = "   x";
        QCOMPARE(form.validationMessage(), std::nullopt);
        QCOMPARE(form.newTransfer({"u1"}).password, QString("   x")); // sent as typed
    }

    void newTransferForLinkAndEmail() {
        SendForm form{.recipients = "ignored@x.org",
                      .subject = "   ",
                      .message = "  Hello \n",
                      .expiresInDays = 14,
                      .protection = Protection::emailCode,
                      .allowedEmails = "Anna@Example.ORG, @Team.example"};

        auto link = form.newTransfer({"u1", "u2"});
        QCOMPARE(link.uploadIDs, QStringList({"u1", "u2"}));
        QCOMPARE(link.recipients, QStringList());
        QCOMPARE(link.subject, std::nullopt);
        QCOMPARE(link.message, QString("Hello"));
        QVERIFY(link.emailCode);
        QCOMPARE(link.allowedEmails, QStringList({"anna@example.org", "@team.example"}));
        QCOMPARE(link.password, std::nullopt);
        QCOMPARE(link.expiresInDays, 14);

        form.delivery = Delivery::email;
        auto email = form.newTransfer({"u1"});
        QCOMPARE(email.recipients, QStringList({"ignored@x.org"}));
        QCOMPARE(email.allowedEmails, QStringList());
        const auto json = QJsonDocument(email.toJson()).object();
        QVERIFY(json.contains("recipients"));
        QVERIFY(!json.contains("allowed_emails"));
    }

    void pendingSendRoundTripAndForm() {
        PendingSend pending{.itemIDs = {QUuid::createUuid(), QUuid::createUuid()},
                            .workspaceID = "ws 1",
                            .delivery = Delivery::email,
                            .recipients = "a@x.org",
                            .subject = "Plans",
                            .message = "Täglich",
                            .expiresInDays = 30,
                            .protection = Protection::password};

        const QByteArray json = pending.toJson();
        QCOMPARE(PendingSend::fromJson(json), pending);

        // Lower-case identifiers written elsewhere read back too.
        QByteArray lower = json;
        lower.replace(pending.itemIDs[0].toString(QUuid::WithoutBraces).toUpper().toLatin1(),
                      pending.itemIDs[0].toString(QUuid::WithoutBraces).toLatin1());
        QCOMPARE(PendingSend::fromJson(lower), pending);

        QCOMPARE(pending.form("secret").password, QString("secret"));
        pending.protection = Protection::emailCode;
        QCOMPARE(pending.form("secret").password, QString());
        QCOMPARE(pending.form("x").recipients, QString("a@x.org"));
    }

    void pendingSendRejectsIncompleteFiles_data() {
        QTest::addColumn<QByteArray>("json");
        const QByteArray valid =
            R"({"itemIDs":["6F9619FF-8B86-D011-B42D-00C04FC964FF"],"workspaceID":"w","delivery":"link",)"
            R"("recipients":"","subject":"","message":"","expiresInDays":7,"protection":"none","allowedEmails":""})";
        QVERIFY(PendingSend::fromJson(valid).has_value());
        QTest::newRow("not json") << QByteArray("{\"itemIDs\":");
        QTest::newRow("missing key") << QByteArray(valid).replace(R"("message":"",)", "");
        QTest::newRow("number as text")
            << QByteArray(valid).replace(R"("subject":"")", R"("subject":1)");
        QTest::newRow("fractional days") << QByteArray(valid).replace(":7,", ":7.5,");
        QTest::newRow("unknown protection") << QByteArray(valid).replace(R"("none")", R"("pin")");
        QTest::newRow("unknown delivery") << QByteArray(valid).replace(R"("link")", R"("fax")");
        QTest::newRow("bad uuid") << QByteArray(valid).replace("6F9619FF-", "zz");
        QTest::newRow("array") << QByteArray("[]");
    }

    void pendingSendRejectsIncompleteFiles() {
        QFETCH(QByteArray, json);
        QCOMPARE(PendingSend::fromJson(json), std::nullopt);
    }
};

QTEST_GUILESS_MAIN(tst_SendRules)
#include "tst_SendRules.moc"
