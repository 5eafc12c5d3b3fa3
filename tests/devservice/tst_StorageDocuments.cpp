// The storage's own parsing and naming rules: the completion document it reads (which must
// never crash on hostile input) and which bucket names and keys it accepts.
#include "storage/AwsChunkedDecoder.h"
#include "storage/ObjectStore.h"
#include "storage/S3Xml.h"

#include <QTest>

using namespace devservice;

namespace {

QList<QPair<int, QString>> partsOf(std::string_view body) {
    QList<QPair<int, QString>> result;
    if (const auto parts = S3Xml::completeRequest(body)) {
        for (const auto& part : *parts)
            result << qMakePair(part.number, QString::fromStdString(part.etag));
    }
    return result;
}

const std::string wellFormed =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<CompleteMultipartUpload xmlns=\"http://s3.amazonaws.com/doc/2006-03-01/\">"
    "<Part><PartNumber>1</PartNumber><ETag>&quot;a1&quot;</ETag></Part>"
    "<Part><ETag>\"b2\"</ETag><PartNumber>2</PartNumber></Part>"
    "</CompleteMultipartUpload>";

} // namespace

class StorageDocumentsTest : public QObject {
    Q_OBJECT

private slots:
    void readsCompletionDocuments() {
        QCOMPARE(partsOf(wellFormed), (QList<QPair<int, QString>>{{1, "\"a1\""}, {2, "\"b2\""}}));
        // What other clients add: prefixes, whitespace, comments, checksums, CDATA, numeric
        // character references.
        const std::string decorated =
            "<!-- sent by a client -->\n<s3:CompleteMultipartUpload xmlns:s3=\"urn:x\">\n"
            "  <s3:Part>\n    <s3:PartNumber> 7 </s3:PartNumber>\n"
            "    <s3:ChecksumCRC32>AAAAAA==</s3:ChecksumCRC32>\n"
            "    <s3:ETag><![CDATA[\"c3\"]]></s3:ETag>\n  </s3:Part>\n"
            "  <Part><PartNumber>8</PartNumber><ETag>&#34;d&#x34;&#34;</ETag></Part>\n"
            "</s3:CompleteMultipartUpload>\n";
        QCOMPARE(partsOf(decorated), (QList<QPair<int, QString>>{{7, "\"c3\""}, {8, "\"d4\""}}));
    }

    void refusesMalformedDocuments_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("no parts") << QByteArray("<CompleteMultipartUpload/>");
        QTest::newRow("unclosed") << QByteArray("<CompleteMultipartUpload><Part>");
        QTest::newRow("crossed tags")
            << QByteArray("<CompleteMultipartUpload><Part><PartNumber>1<ETag></PartNumber>"
                          "</ETag></Part></CompleteMultipartUpload>");
        QTest::newRow("two roots")
            << QByteArray("<CompleteMultipartUpload><Part><PartNumber>1</PartNumber><ETag>x"
                          "</ETag></Part></CompleteMultipartUpload><CompleteMultipartUpload/>");
        QTest::newRow("text after root")
            << QByteArray("<CompleteMultipartUpload><Part><PartNumber>1</PartNumber><ETag>x"
                          "</ETag></Part></CompleteMultipartUpload>trailing");
        QTest::newRow("twice a number")
            << QByteArray("<CompleteMultipartUpload><Part><PartNumber>1</PartNumber>"
                          "<PartNumber>2</PartNumber><ETag>x</ETag></Part>"
                          "</CompleteMultipartUpload>");
        QTest::newRow("not a number")
            << QByteArray("<CompleteMultipartUpload><Part><PartNumber>-1x</PartNumber>"
                          "<ETag>x</ETag></Part></CompleteMultipartUpload>");
        QTest::newRow("entity declaration")
            << QByteArray("<!DOCTYPE a [<!ENTITY e SYSTEM \"file:///etc/passwd\">]>"
                          "<CompleteMultipartUpload><Part><PartNumber>1</PartNumber><ETag>&e;"
                          "</ETag></Part></CompleteMultipartUpload>");
        QTest::newRow("null character reference")
            << QByteArray("<CompleteMultipartUpload><Part><PartNumber>1</PartNumber><ETag>&#0;"
                          "</ETag></Part></CompleteMultipartUpload>");
        QTest::newRow("unquoted attribute") << QByteArray("<CompleteMultipartUpload a=b/>");
        QByteArray deep;
        for (int i = 0; i < 10000; ++i)
            deep += "<a>";
        QTest::newRow("deep nesting") << deep;
    }

    void refusesMalformedDocuments() {
        QFETCH(QByteArray, body);
        QVERIFY(!S3Xml::completeRequest(body.toStdString()));
    }

    // Whatever way the transport splits it, an aws-chunked body decodes to the same bytes.
    void decodesAwsChunkedBodies() {
        const std::string body = "5;chunk-extension=x\r\nhello\r\n6\r\n world\r\n0\r\n"
                                 "x-amz-checksum-crc32:DUoRhQ==\r\n\r\n";
        for (std::size_t split = 0; split <= body.size(); ++split) {
            AwsChunkedDecoder decoder;
            std::string out;
            const auto sink = [&](std::string_view data) {
                out.append(data);
                return true;
            };
            QVERIFY(decoder.feed(std::string_view(body).substr(0, split), sink));
            QVERIFY(decoder.feed(std::string_view(body).substr(split), sink));
            QVERIFY(decoder.finished());
            QCOMPARE(out, std::string("hello world"));
            QCOMPARE(decoder.decodedSize(), 11);
        }
    }

    void refusesBrokenAwsChunkedBodies() {
        const auto decodes = [](const std::string& body) {
            AwsChunkedDecoder decoder;
            return decoder.feed(body, [](std::string_view) { return true; }) && decoder.finished();
        };
        QVERIFY(decodes("0\r\n\r\n"));
        QVERIFY(!decodes("5\r\nhello\r\n"));           // no final chunk
        QVERIFY(!decodes("5\r\nhello!\r\n0\r\n\r\n")); // longer than announced
        QVERIFY(!decodes("zz\r\nhello\r\n0\r\n\r\n")); // size not hex
        QVERIFY(!decodes("5\nhello\r\n0\r\n\r\n"));    // bare line feed
        QVERIFY(!decodes("0\r\n\r\nextra"));           // bytes after the end
        QVERIFY(!decodes("fffffffff\r\n"));            // absurd size
        QVERIFY(!decodes(std::string(5000, '1')));     // endless size line
    }

    void writesEscapedAnswers() {
        const std::string error = S3Xml::error("NoSuchKey", "a<b>&\"c\"", "/b/k&", "id");
        QVERIFY(error.find("<Message>a&lt;b&gt;&amp;&quot;c&quot;</Message>") != std::string::npos);
        QVERIFY(error.find("<Resource>/b/k&amp;</Resource>") != std::string::npos);
    }

    void acceptsOnlySafeKeys() {
        for (const char* key : {"a", "dir/file.txt", "dir/..hidden", "a..b", "x/./y"}) {
            const bool expected = std::string_view(key) != "x/./y";
            QCOMPARE(ObjectStore::isValidKey(key), expected);
        }
        for (const std::string& key :
             {std::string(".."), std::string("../etc/passwd"), std::string("a/../../b"),
              std::string("a/.."), std::string("/absolute"), std::string("a\0b", 3),
              std::string("line\nbreak"), std::string(1025, 'k'), std::string()}) {
            QVERIFY2(!ObjectStore::isValidKey(key), key.c_str());
        }
        QVERIFY(ObjectStore::isValidKey(std::string(1024, 'k')));
    }

    void acceptsOnlyValidBucketNames() {
        for (const char* name : {"ws-1", "abc", "my.bucket-2",
                                 "a23456789012345678901234567890123456789012345678901234567890123"})
            QVERIFY2(ObjectStore::isValidBucketName(name), name);
        for (const char* name : {"ab", "Upper", "-start", "end-", "a..b", "a.-b", "192.168.0.1",
                                 "xn--punycode", "with_underscore", "../up", "a/b"})
            QVERIFY2(!ObjectStore::isValidBucketName(name), name);
    }
};

QTEST_GUILESS_MAIN(StorageDocumentsTest)
#include "tst_StorageDocuments.moc"
