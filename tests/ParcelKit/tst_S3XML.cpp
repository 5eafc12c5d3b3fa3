#include "S3XML.h"

#include <QtTest>

using namespace ParcelKit;

namespace {

QByteArray withAttributes(QByteArray tag, int count) {
    for (int i = 0; i < count; ++i)
        tag += " a" + QByteArray::number(i) + "=\"/>\"";
    return tag;
}

} // namespace

class tst_S3XML : public QObject {
    Q_OBJECT

private slots:
    void completeBodyIsExact() {
        const QByteArray expected =
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            "<CompleteMultipartUpload xmlns=\"http://s3.amazonaws.com/doc/2006-03-01/\">"
            "<Part><PartNumber>1</PartNumber><ETag>&quot;a&amp;b&quot;</ETag></Part>"
            "<Part><PartNumber>2</PartNumber><ETag>&lt;x&gt;'y'</ETag></Part>"
            "<Part><PartNumber>3</PartNumber><ETag>&amp;quot;</ETag></Part>"
            "</CompleteMultipartUpload>";
        QCOMPARE(S3XML::completeBody({{3, "&quot;", 7}, {1, "\"a&b\"", 5}, {2, "<x>'y'", 6}}),
                 expected);
    }

    void uploadIDIsTheFirstAnywhere() {
        QCOMPARE(S3XML::uploadID("<?xml version=\"1.0\"?>"
                                 "<InitiateMultipartUploadResult xmlns=\"urn:x\"><Bucket>b</Bucket>"
                                 "<Deep><UploadId>\n  first-id \t</UploadId></Deep>"
                                 "<UploadId>second</UploadId></InitiateMultipartUploadResult>"),
                 QString("first-id"));
        QCOMPARE(S3XML::uploadID("<R><Key>k</Key></R>"), std::nullopt);
        QCOMPARE(S3XML::uploadID("<R><UploadId></UploadId></R>"), QString());
        QCOMPARE(S3XML::uploadID(""), std::nullopt);
    }

    void partsKeepOnlyUsableRecords() {
        const QByteArray listing = "<ListPartsResult>"
                                   "<PartNumber>99</PartNumber><ETag>outside</ETag>"
                                   "<Part><PartNumber>1</PartNumber><ETag>&quot;e1&quot;</ETag>"
                                   "<Size>16777216</Size></Part>"
                                   "<Part><PartNumber>2</PartNumber><Size>5</Size></Part>"
                                   "<Part><PartNumber>3</PartNumber><ETag>e3</ETag>"
                                   "<Size>abc</Size></Part>"
                                   "<Part><PartNumber>4</PartNumber><ETag></ETag></Part>"
                                   "<Part><PartNumber>5</PartNumber><ETag>first</ETag>"
                                   "<ETag>second</ETag><Size>107374182400</Size></Part>"
                                   "</ListPartsResult>";
        const QList<UploadedPart> expected{
            {1, "\"e1\"", 16777216}, {3, "e3", 0}, {4, "", 0}, {5, "first", 107374182400}};
        QCOMPARE(S3XML::parts(listing), expected);
    }

    // Only plain decimals that fit are part numbers; a part with any other is skipped.
    void partNumbersAreStrictDecimals() {
        const auto numbersIn = [](const QString& text) {
            QList<int> numbers;
            for (const auto& part : S3XML::parts(
                     QStringLiteral("<L><Part><PartNumber>%1</PartNumber><ETag>e</ETag></Part></L>")
                         .arg(text)
                         .toUtf8()))
                numbers.append(part.partNumber);
            return numbers;
        };
        QCOMPARE(numbersIn("42"), QList<int>{42});
        for (const QString text : {"2147483648", "1 2", "\u0661"})
            QVERIFY2(numbersIn(text).isEmpty(), qPrintable(text));
    }

    void textIsCollectedFromLeavesOnly() {
        const QSet<QString> names{"A", "B", "C"};
        // A holds a child, so its own text is not a value; CDATA is not collected; entities are.
        const auto found = S3XML::records("<R><A>x<Child/>y</A><B><![CDATA[hidden]]></B>"
                                          "<C>1 &amp; 2&#33;</C><C>later</C></R>",
                                          names);
        QCOMPARE(found, (QList<S3XML::Record>{{{"A", "y"}, {"B", ""}, {"C", "1 & 2!"}}}));
        QCOMPARE(S3XML::records("<R><D>d</D></R>", names), QList<S3XML::Record>{});
        QCOMPARE(S3XML::records("<R><X>1</X></R><!-- -->", {"X"}, QString("Item")),
                 QList<S3XML::Record>{});
    }

    void errorReadersNeedTheErrorRoot() {
        const QByteArray error = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Error>"
                                 "<Code> NoSuchUpload </Code><Message>The upload does not exist."
                                 "</Message><Code>Other</Code></Error>";
        QCOMPARE(S3XML::errorCode(error), QString("NoSuchUpload"));
        QCOMPARE(S3XML::errorMessage(error), QString("The upload does not exist."));
        QCOMPARE(S3XML::errorCode("<Result><Code>NoSuchUpload</Code></Result>"), std::nullopt);
        QCOMPARE(S3XML::errorCode("<Result><Error><Code>X</Code></Error></Result>"), std::nullopt);
        QCOMPARE(S3XML::errorCode("<error><Code>X</Code></error>"), std::nullopt);
        QCOMPARE(S3XML::errorMessage("<Error><Code>X</Code></Error>"), std::nullopt);
    }

    void whatCameBeforeAParseErrorStands() {
        QCOMPARE(S3XML::errorCode("<Error><Code>SlowDown</Code><Message>Please"),
                 QString("SlowDown"));
        QCOMPARE(S3XML::parts("<L><Part><PartNumber>1</PartNumber><ETag>a</ETag></Part>"
                              "<Part><PartNumber>2</PartNumber><ETag>b</ETag></Pa"),
                 (QList<UploadedPart>{{1, "a", 0}}));
        QCOMPARE(S3XML::uploadID("<R><UploadId>id</UploadId><Broken attr=></R>"), QString("id"));
        // Markup with thousands of attributes counts as the end of the document.
        QCOMPARE(S3XML::errorCode("<Error><Code>E</Code>" + withAttributes("<Code", 5000) +
                                  "/></Error>"),
                 QString("E"));
        // A key full of '=' signs is still read.
        const QString key(1024, u'=');
        QCOMPARE(S3XML::records(QStringLiteral("<L><Key>%1</Key></L>").arg(key).toUtf8(), {"Key"}),
                 (QList<S3XML::Record>{{{"Key", key}}}));
    }

    void hostileDocumentsGiveNothing_data() {
        QTest::addColumn<QByteArray>("data");
        QTest::newRow("html") << QByteArray(
            "<!DOCTYPE html><html><head><title>502 Bad Gateway"
            "</title></head><body><h1>Error</h1><br></body></html>");
        QTest::newRow("not xml") << QByteArray("{\"Code\":\"NoSuchUpload\"}");
        QByteArray laughs = "<?xml version=\"1.0\"?><!DOCTYPE Error [<!ENTITY a \"aaaaaaaaaa\">";
        for (int i = 1; i < 10; ++i) {
            laughs += QStringLiteral("<!ENTITY %1 \"").arg(QChar('a' + i)).toUtf8();
            for (int j = 0; j < 10; ++j)
                laughs += QStringLiteral("&%1;").arg(QChar('a' + i - 1)).toUtf8();
            laughs += "\">";
        }
        QTest::newRow("entity expansion")
            << laughs + "]><Error><Code>&j;</Code><UploadId>x</UploadId></Error>";
        // Storage never declares entities; a document that does is refused before its root.
        QTest::newRow("declared entity") << QByteArray(
            "<!DOCTYPE Error [<!ENTITY c \"NoSuchUpload\">]><Error><Code>&c;</Code></Error>");
        QTest::newRow("many attributes")
            << withAttributes("<Error", 5000) + "><Code>X</Code></Error>";
        QTest::newRow("deep nesting") << QByteArray("<A>").repeated(200000);
    }

    void hostileDocumentsGiveNothing() {
        QFETCH(QByteArray, data);
        QCOMPARE(S3XML::errorCode(data), std::nullopt);
        QCOMPARE(S3XML::errorMessage(data), std::nullopt);
        QCOMPARE(S3XML::uploadID(data), std::nullopt);
        QCOMPARE(S3XML::parts(data), QList<UploadedPart>{});
    }
};

QTEST_GUILESS_MAIN(tst_S3XML)
#include "tst_S3XML.moc"
