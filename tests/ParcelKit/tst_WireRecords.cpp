#include "ConfirmedUpload.h"
#include "DataEnvelope.h"
#include "ExpiryBody.h"
#include "Me.h"
#include "NewTransfer.h"
#include "SignBody.h"
#include "SignedRequest.h"
#include "Transfer.h"
#include "WireDate.h"
#include "WireEncoder.h"

#include <QTest>

using namespace ParcelKit;

namespace {

// Fixtures write JSON with ' for " so that they read without escapes (moc cannot lex every raw
// string literal); no fixture needs a real apostrophe.
QByteArray json(QByteArray text) {
    return text.replace('\'', '"');
}

// Decodes an answer body the way the API client does.
template <typename T> T decode(const QByteArray& body) {
    return T::fromJson(WireDecoder::parse(json(body)));
}

// The description of the decoding failure, or an empty text when decoding succeeded.
template <typename T> QString failure(const QByteArray& body) {
    try {
        decode<T>(body);
    } catch (const DecodingError& error) {
        return error.description();
    }
    return {};
}

// Parser messages are Qt's own, so a description is matched up to what this code adds.
template <typename T> void expectFailure(const QByteArray& body, const QString& description) {
    const QString actual = failure<T>(body);
    QVERIFY2(!actual.isEmpty() && actual.startsWith(description), qPrintable(actual));
}

void expectEncoding(const QJsonObject& object, const QByteArray& expected) {
    QCOMPARE(WireEncoder::encode(object), json(expected));
}

Timestamp date(const char* text) {
    return *HTTP::parseISO8601(QString::fromLatin1(text));
}

const QByteArray minimalTransfer =
    "{'id':'t1','delivery':'link','expires_at':'2025-03-08T10:00:00Z'}";

QByteArray transferWith(const QByteArray& member) {
    return minimalTransfer.chopped(1) + "," + member + "}";
}

} // namespace

class WireRecordsTest : public QObject {
    Q_OBJECT

private slots:
    void decodesProfileWithDefaults() {
        const Me me = decode<Me>(
            "{'id':'u1','name':'Ann','email':'ann@example.org',"
            "'locale':'de','unknown':{'x':[1,2]},'workspaces':["
            "{'id':'w1','name':'Studio','role':'owner','default_brand_id':'b1',"
            "'brands':[{'id':'b1','name':'Main','accent_color':'#ff0000','domain':null}]},"
            "{'id':'w2','name':'Bare','role':null}]}");
        QCOMPARE(me.workspaces.size(), 2);
        const Workspace& studio = me.workspaces[0];
        QCOMPARE(studio.role, QStringLiteral("owner"));
        QCOMPARE(studio.defaultBrandID, QStringLiteral("b1"));
        const QList<Brand> brands{Brand{"b1", "Main", QStringLiteral("#ff0000"), std::nullopt}};
        QCOMPARE(studio.brands, brands);
        const Workspace& bare = me.workspaces[1];
        QCOMPARE(bare.role, QStringLiteral("member"));
        QVERIFY(!bare.defaultBrandID);
        QVERIFY(bare.brands.isEmpty());
    }

    void decodesTransfers() {
        const Transfer minimal = decode<Transfer>(minimalTransfer);
        QCOMPARE(minimal.downloadCount, 0);
        QCOMPARE(minimal.viewCount, 0);
        QVERIFY(minimal.recipients.isEmpty() && minimal.files.isEmpty());
        QVERIFY(!minimal.url && !minimal.fileCount && !minimal.sentAt);
        QCOMPARE(minimal.expiresAt, date("2025-03-08T10:00:00Z"));

        const Transfer full = decode<Transfer>(
            "{'id':'t2','delivery':'email',"
            "'url':'https://example.org/d/t2','title':'Cut','subject':'Hi','message':'Here',"
            "'recipients':[{'email':'b@example.org','viewed_at':'2025-03-02T08:00:00.125Z'}],"
            "'protection':'password','file_count':2,'total_size':9007199254740993,"
            "'expires_at':'2025-03-08T10:00:00Z','sent_at':'2025-03-01T10:00:00Z',"
            "'revoked_at':null,'created_at':'2025-03-01T09:59:59Z','download_count':3,"
            "'downloaded_at':'2025-03-02T09:00:00Z','view_count':7,'viewed_at':'2025-03-02 "
            "08:00:00',"
            "'files':[{'id':'f1','filename':'a.mov','size':9223372036854775807}]}");
        QCOMPARE(full.delivery, Delivery::email);
        QCOMPARE(full.url, QUrl("https://example.org/d/t2"));
        QCOMPARE(full.totalSize, Q_INT64_C(9007199254740993));
        QCOMPARE(full.files.at(0).size, std::numeric_limits<qint64>::max());
        QCOMPARE(full.recipients.at(0).viewedAt, date("2025-03-02T08:00:00.125Z"));
        QVERIFY(!full.recipients.at(0).downloadedAt);
        QVERIFY(!full.revokedAt);
        QCOMPARE(full.downloadCount, 3);

        // Encoding leaves absent optionals out and decodes back to the same record.
        const QJsonObject encoded = minimal.toJson();
        QVERIFY(!encoded.contains("url") && !encoded.contains("sent_at"));
        QCOMPARE(Transfer::fromJson(encoded), minimal);
        QCOMPARE(Transfer::fromJson(full.toJson()), full);
        QVERIFY(WireEncoder::encode(full.toJson()).contains("9007199254740993"));
    }

    void refusesWrongShapes_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("description");
        QTest::newRow("unknown delivery")
            << "{'id':'t','delivery':'fax','expires_at':'2025-03-08T10:00:00Z'}"_qba
            << "delivery: unknown delivery: fax";
        QTest::newRow("missing required key") << "{'id':'t','delivery':'link'}"_qba
                                              << "expires_at: missing";
        QTest::newRow("null for a required key")
            << "{'id':null,'delivery':'link','expires_at':'2025-03-08T10:00:00Z'}"_qba
            << "id: expected text, found null";
        QTest::newRow("number for text")
            << "{'id':7,'delivery':'link','expires_at':'2025-03-08T10:00:00Z'}"_qba
            << "id: expected text, found a number";
        QTest::newRow("unreadable date") << transferWith("'sent_at':'2025-03-01T10:20Z'")
                                         << "sent_at: Not an ISO 8601 date: 2025-03-01T10:20Z";
        QTest::newRow("fraction for an integer")
            << transferWith("'file_count':1.5") << "file_count: 1.5 is not an exact 64-bit integer";
        QTest::newRow("integer beyond 64 bits")
            << transferWith("'total_size':9223372036854775808")
            << "total_size: 9.22337e+18 is not an exact 64-bit integer";
        QTest::newRow("rounded large number")
            << transferWith("'total_size':18014398509481985.0")
            << "total_size: a number beyond 2^53 written with a fraction or exponent";
        QTest::newRow("bad element in a list")
            << transferWith("'files':[{'id':'f','filename':'a','size':1},{'id':'f'}]")
            << "files[1].filename: missing";
        QTest::newRow("malformed URL")
            << transferWith("'url':'https://example.org/a b'") << "url: not a URL: ";
        QTest::newRow("not JSON") << "<html>"_qba
                                  << "not JSON";
        QTest::newRow("deep nesting") << QByteArray(100000, '[') << "not JSON";
    }
    void refusesWrongShapes() {
        QFETCH(QByteArray, body);
        QFETCH(QString, description);
        expectFailure<Transfer>(body, description);
    }

    void acceptsIntegralNumbersInOtherNotations() {
        const Transfer transfer =
            decode<Transfer>(transferWith("'file_count':2.0,'total_size':1e3,'view_count':-0,"
                                          "'other':1e300,'another':12345678901234567890123,"
                                          "'score':1.5e16,'list':[-18014398509481985.0]"));
        QCOMPARE(transfer.fileCount, 2);
        QCOMPARE(transfer.totalSize, 1000);
        QCOMPARE(transfer.viewCount, 0);
    }

    void survivesHugeLists() {
        QByteArray files = "[";
        for (int i = 0; i < 50000; ++i)
            files += "{'id':'f','filename':'a','size':1},";
        files += "{'id':'f','filename':'a','size':'big'}]";
        expectFailure<Transfer>(
            transferWith("'files':" + files),
            QStringLiteral("files[50000].size: expected an integer, found text"));
    }

    void unwrapsEnvelopes() {
        const auto empty = decode<DataEnvelope<QList<Transfer>>>("{'data':[]}");
        QVERIFY(empty.data.isEmpty());
        const auto list =
            decode<DataEnvelope<QList<Transfer>>>("{\"data\":[" + minimalTransfer + "]}");
        QCOMPARE(list.data, QList<Transfer>{decode<Transfer>(minimalTransfer)});

        expectFailure<DataEnvelope<QList<Transfer>>>(
            "{'data':null}", QStringLiteral("data: expected a list, found null"));
        expectFailure<DataEnvelope<QList<Transfer>>>(
            "[]", QStringLiteral("expected an object, found a list"));
        expectFailure<DataEnvelope<Transfer>>(minimalTransfer, QStringLiteral("data: missing"));
    }

    void decodesSignedRequests() {
        const auto signedRequest = decode<SignedRequest>(
            "{'url':'https://s3.example.org/b/k?X-Amz-Signature=ab%2Fc','key':'k',"
            "'headers':{'Content-Type':'video/mp4','x-amz-acl':'private'}}");
        QCOMPARE(signedRequest.url.query(QUrl::FullyEncoded),
                 QStringLiteral("X-Amz-Signature=ab%2Fc"));
        QCOMPARE(signedRequest.headers->value("Content-Type"), QStringLiteral("video/mp4"));

        const auto bare = decode<SignedRequest>("{'url':'https://s3.example.org/b/k'}");
        QVERIFY(!bare.headers && !bare.key);
        expectFailure<SignedRequest>("{'url':'https://s/k','headers':{'a':1}}",
                                     QStringLiteral("headers.a: expected text, found a number"));
        expectFailure<SignedRequest>("{'url':''}", QStringLiteral("url: not a URL: "));
    }

    void encodesNewTransfers() {
        NewTransfer link;
        link.uploadIDs = {"u2", "u1"};
        link.recipients = {"ignored@example.org"};
        link.expiresInDays = 7;
        link.allowedEmails = {"example.org"};
        // Without a code, allowed addresses are not sent; a link never sends recipients.
        expectEncoding(
            link.toJson(),
            "{'delivery':'link','email_code':false,'expires_in':7,'uploads':['u2','u1']}");

        link.emailCode = true;
        link.password = "secret";
        expectEncoding(link.toJson(),
                       "{'allowed_emails':['example.org'],'delivery':'link','email_code':true,"
                       "'expires_in':7,'password':'secret','uploads':['u2','u1']}");

        NewTransfer email;
        email.uploadIDs = {"u1"};
        email.delivery = Delivery::email;
        email.emailCode = true;
        email.allowedEmails = {"never@example.org"};
        email.subject = "Files";
        email.message = "";
        email.expiresInDays = 30;
        // Recipients go out even when empty; allowed addresses never do for e-mail.
        expectEncoding(email.toJson(),
                       "{'delivery':'email','email_code':true,'expires_in':30,'message':'',"
                       "'recipients':[],'subject':'Files','uploads':['u1']}");
    }

    void encodesRequestBodies() {
        expectEncoding(SignBody{"PUT", "w/a b.mov", "up1", 3, std::nullopt}.toJson(),
                       "{'key':'w/a b.mov','method':'PUT','partNumber':3,'uploadId':'up1'}");
        expectEncoding(SignBody{"POST", "k", {}, {}, "video/mp4"}.toJson(),
                       "{'contentType':'video/mp4','key':'k','method':'POST'}");
        expectEncoding(ExpiryBody{9007199254740993}.toJson(), "{'expires_in':9007199254740993}");
    }
};

QTEST_GUILESS_MAIN(WireRecordsTest)
#include "tst_WireRecords.moc"
