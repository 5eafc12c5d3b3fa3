#include "HTTP.h"
#include "TestSupport.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

using namespace ParcelKit;

// Texts from servers reach users as one clean, short line, whichever way they came.
class tst_ServerTexts : public QObject {
    Q_OBJECT

private slots:
    void errorTextsAreCleaned_data();
    void errorTextsAreCleaned();
    void storageDocumentsAreReadWithTheGuardedReader();
    void mappingOffTheCallingThreadGivesTheSameError();
};

void tst_ServerTexts::errorTextsAreCleaned_data() {
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

void tst_ServerTexts::errorTextsAreCleaned() {
    QFETCH(QString, raw);
    QFETCH(QString, shown);
    const auto orStatus = [&shown](int status) {
        return shown.isEmpty() ? QString("The server answered with error %1.").arg(status) : shown;
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

void tst_ServerTexts::storageDocumentsAreReadWithTheGuardedReader() {
    // An internal subset is where entity expansion explodes; the reader stops before it.
    const QByteArray expanding = "<!DOCTYPE Error [<!ENTITY m \"Denied\">]>"
                                 "<Error><Code>AccessDenied</Code><Message>&m;</Message></Error>";
    QCOMPARE(HTTP::errorFor(403, expanding), ParcelKitError::server(403));
    QCOMPARE(HTTP::errorFor(403, "<Error><Message>Denied</Message></Error>"),
             ParcelKitError::server(403, "Denied"));
}

void tst_ServerTexts::mappingOffTheCallingThreadGivesTheSameError() {
    const QByteArray padding(100 * 1024, ' ');
    for (const QByteArray& body :
         {"<Error><Message>Denied</Message>" + padding + "</Error>",
          R"({"message":"Nope"})" + padding, QByteArray(R"({"message":"Nope"})"), QByteArray()}) {
        QCOMPARE(Testing::await(HTTP::failure(403, body)), HTTP::errorFor(403, body));
    }
}

QTEST_GUILESS_MAIN(tst_ServerTexts)
#include "tst_ServerTexts.moc"
