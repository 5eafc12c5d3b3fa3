#include "HTTP.h"
#include "TestSupport.h"
#include "TransportError.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

#include <curl/curl.h>

#include <cerrno>
#include <stdexcept>

using namespace ParcelKit;

Q_DECLARE_METATYPE(ParcelKitError)

class tst_HTTPErrors : public QObject {
    Q_OBJECT

private slots:
    void errorAnswersMapToEngineErrors_data() {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<ParcelKitError>("expected");
        const auto server = [](int status, std::optional<QString> message = std::nullopt) {
            return ParcelKitError::server(status, std::move(message));
        };
        const QString checkInput = "Please check your input.";

        QTest::newRow("401 without body") << 401 << QByteArray() << ParcelKitError::notSignedIn();

        QTest::newRow("422 first non-empty error by field name")
            << 422 << QByteArray(R"({"errors":{"zip":["bad"],"city":[],"a":["first","second"]}})")
            << ParcelKitError::validation("first");
        QTest::newRow("422 only empty error lists")
            << 422 << QByteArray(R"({"errors":{"city":[]}})")
            << ParcelKitError::validation(checkInput);
        QTest::newRow("422 message before errors")
            << 422 << QByteArray(R"({"message":"Name taken","errors":{"a":["other"]}})")
            << ParcelKitError::validation("Name taken");
        QTest::newRow("422 without body")
            << 422 << QByteArray() << ParcelKitError::validation(checkInput);
        QTest::newRow("422 errors as a list is no body")
            << 422 << QByteArray(R"({"message":"m","errors":["x"]})")
            << ParcelKitError::validation(checkInput);

        QTest::newRow("500 error description, never error")
            << 500 << QByteArray(R"({"error":"x","error_description":"y"})") << server(500, "y");
        QTest::newRow("500 empty message") << 500 << QByteArray(R"({"message":""})") << server(500);
        QTest::newRow("500 null message counts as absent")
            << 500 << QByteArray(R"({"message":null,"error_description":"y"})") << server(500, "y");
        QTest::newRow("404 message") << 404 << QByteArray(R"({"message":"Not found","extra":[1]})")
                                     << server(404, "Not found");
        QTest::newRow("502 not JSON") << 502 << QByteArray("Bad Gateway") << server(502);

        QTest::newRow("403 storage error document")
            << 403
            << QByteArray("<Error><Code>AccessDenied</Code><Message>Denied</Message></Error>")
            << server(403, "Denied");
        QTest::newRow("403 storage error trimmed")
            << 403
            << QByteArray(
                   "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Error>\n  <Code>Sig</Code>\n"
                   "  <Message>\n    The signature does not match.\n  </Message>\n"
                   "  <Message>second</Message>\n</Error>\n")
            << server(403, "The signature does not match.");
        // An internal subset is where entity expansion explodes; the reader stops before it.
        QTest::newRow("403 storage error with internal DTD")
            << 403
            << QByteArray("<!DOCTYPE Error [<!ENTITY m \"Denied\">]>"
                          "<Error><Code>AccessDenied</Code><Message>&m;</Message></Error>")
            << server(403);
        QTest::newRow("XML with blank message")
            << 404 << QByteArray("<Error><Message>  \n </Message></Error>") << server(404);
        QTest::newRow("HTML page")
            << 503 << QByteArray("<html><body>Down</body></html>") << server(503);
    }

    void errorAnswersMapToEngineErrors() {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(ParcelKitError, expected);
        const ParcelKitError error = HTTP::errorFor(status, body);
        QCOMPARE(error.kind(), expected.kind());
        QCOMPARE(error.status(), expected.status());
        QCOMPARE(error.message(), expected.message());
        QCOMPARE(error.userText(), expected.userText());
    }

    // A failure that cannot pass is permanent (status 0); the others are network errors.
    void transportFailuresSplitByMeaning() {
        struct Case {
            int code;
            int osErrno;
            bool permanent;
        };
        for (const auto& [code, osErrno, permanent] : {
                 Case{CURLE_URL_MALFORMAT, 0, true},
                 Case{CURLE_PEER_FAILED_VERIFICATION, 0, true},
                 Case{CURLE_SSL_CONNECT_ERROR, 0, true},
                 Case{CURLE_SSL_CONNECT_ERROR, ECONNRESET, false}, // handshake cut by a reset
                 Case{CURLE_COULDNT_CONNECT, ECONNREFUSED, false},
                 Case{CURLE_COULDNT_RESOLVE_HOST, 0, false},
                 Case{CURLE_OPERATION_TIMEDOUT, 0, false},
                 Case{CURLE_RECV_ERROR, ECONNRESET, false},
                 Case{CURLE_PARTIAL_FILE, 0, false},
             }) {
            const TransportError failure = TransportError::fromCurl(code, osErrno);
            QVERIFY(!failure.description().isEmpty());
            QCOMPARE(ParcelKitError::wrapping(failure),
                     permanent ? ParcelKitError::server(0, failure.description())
                               : ParcelKitError::network(failure.description()));
        }
    }

    void wrappingKeepsEngineErrorsAndCoversOthers() {
        const ParcelKitError validation = ParcelKitError::validation("Name taken");
        QCOMPARE(ParcelKitError::wrapping(validation), validation);
        QCOMPARE(ParcelKitError::wrapping(std::make_exception_ptr(validation)), validation);
        QCOMPARE(ParcelKitError::wrapping(std::runtime_error("disk on fire")).kind(),
                 ParcelKitError::Kind::network);
    }

    void acceptLanguagePicksTheFirstKnownLanguage() {
        QCOMPARE(HTTP::acceptLanguage({"fr-FR", "en-GB", "de-DE"}), "en");
        QCOMPARE(HTTP::acceptLanguage({}), "de");
        QCOMPARE(HTTP::acceptLanguage({"EN_us"}), "en");
        QCOMPARE(HTTP::acceptLanguage({"", "C", "*", "en"}), "en");
        QCOMPARE(HTTP::acceptLanguage({"english"}), "de"); // a word is no code
    }

    // Texts from servers reach users as one clean, short line, whichever way they came.
    void errorTextsAreCleaned_data() {
        QTest::addColumn<QString>("raw");
        QTest::addColumn<QString>("shown");
        QTest::newRow("line breaks") << "Denied.\r\nparcella-cli: forged\n"
                                     << "Denied. parcella-cli: forged";
        QTest::newRow("escape sequences") << "\x1b]0;title\x07\x1b[2JDenied\x7f"
                                          << "]0;title[2JDenied";
        QTest::newRow("direction overrides") << QString("a\u202Eb\u2066c") << "abc";
        QTest::newRow("only controls") << "\x1b\n\t"
                                       << "";
        QTest::newRow("100,000 characters")
            << QString(100'000, 'x') << QString(299, 'x') + QChar(0x2026);
    }

    void errorTextsAreCleaned() {
        QFETCH(QString, raw);
        QFETCH(QString, shown);
        const auto orStatus = [&shown](int status) {
            return shown.isEmpty() ? QString("The server answered with error %1.").arg(status)
                                   : shown;
        };
        const QByteArray json = QJsonDocument(QJsonObject{{"message", raw}}).toJson();
        QCOMPARE(HTTP::errorFor(500, json).userText(), orStatus(500));
        QCOMPARE(HTTP::errorFor(422, json).userText(), shown);
        // The storage's documents, as far as XML can carry the text.
        if (!raw.contains(QChar(0x1b)))
            QCOMPARE(HTTP::errorFor(403, "<Error><Message>" + raw.toHtmlEscaped().toUtf8() +
                                             "</Message></Error>")
                         .userText(),
                     orStatus(403));
    }

    void mappingOffTheCallingThreadGivesTheSameError() {
        const QByteArray padding(100 * 1024, ' ');
        for (const QByteArray& body : {"<Error><Message>Denied</Message>" + padding + "</Error>",
                                       R"({"message":"Nope"})" + padding,
                                       QByteArray(R"({"message":"Nope"})"), QByteArray()}) {
            QCOMPARE(Testing::await(HTTP::failure(403, body)), HTTP::errorFor(403, body));
        }
    }
};

QTEST_GUILESS_MAIN(tst_HTTPErrors)
#include "tst_HTTPErrors.moc"
