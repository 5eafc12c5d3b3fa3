// The aws-chunked framing modern S3 clients stream unsigned payloads in. The storage's other
// rules are checked from outside by tests/e2e/test_storage.py and the conformance script; how a
// transport splits a body cannot be, so every split is tried here.
#include "storage/AwsChunkedDecoder.h"

#include <QTest>

using namespace devservice;

class tst_AwsChunkedDecoder : public QObject {
    Q_OBJECT

private slots:
    void decodesWhateverTheSplit() {
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

    void refusesBrokenBodies() {
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
};

QTEST_GUILESS_MAIN(tst_AwsChunkedDecoder)
#include "tst_AwsChunkedDecoder.moc"
