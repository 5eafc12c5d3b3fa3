// Multipart uploads, objects and key safety against the real program, through presigned URLs
// as the application sends them. Concurrent parts and multipart ETags are checked with real S3
// clients by the conformance script.
#include "DevServiceProcess.h"
#include "HttpClient.h"
#include "StorageTestSupport.h"

#include <QDir>
#include <QDirIterator>
#include <QTest>

using namespace storagetest;

class StorageMultipartTest : public QObject {
    Q_OBJECT

    std::unique_ptr<DevServiceProcess> service;
    // Dropped before the service so that no idle keep-alive connection delays its exit.
    std::unique_ptr<HttpClient> client;
    const QString bucket = QStringLiteral("ws-test");

    QString createUpload(const QString& key) {
        const auto reply =
            client->send("POST", presigned(*service, "POST", bucket, key, {{"uploads", ""}}));
        if (reply.status != 200)
            return {};
        return xmlValue(reply.body, "UploadId");
    }

    HttpReply putPart(const QString& key, const QString& uploadId, int number,
                      const QByteArray& data) {
        return client->send("PUT",
                            presigned(*service, "PUT", bucket, key,
                                      {{"partNumber", std::to_string(number)},
                                       {"uploadId", uploadId.toStdString()}}),
                            data);
    }

    HttpReply listParts(const QString& key, const QString& uploadId) {
        return client->get(
            presigned(*service, "GET", bucket, key, {{"uploadId", uploadId.toStdString()}}));
    }

    HttpReply complete(const QString& key, const QString& uploadId, const QByteArray& body) {
        return client->send(
            "POST",
            presigned(*service, "POST", bucket, key, {{"uploadId", uploadId.toStdString()}}), body,
            {{"Content-Type", "application/xml"}});
    }

    static QByteArray completeBody(const QList<QPair<int, QByteArray>>& parts) {
        QByteArray body = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<CompleteMultipartUpload "
                          "xmlns=\"http://s3.amazonaws.com/doc/2006-03-01/\">";
        for (const auto& [number, etag] : parts)
            body += "<Part><PartNumber>" + QByteArray::number(number) + "</PartNumber><ETag>" +
                    QByteArray(etag).replace("\"", "&quot;") + "</ETag></Part>";
        return body + "</CompleteMultipartUpload>";
    }

private slots:
    void init() {
        service = std::make_unique<DevServiceProcess>(serviceArguments());
        client = std::make_unique<HttpClient>();
        QVERIFY2(service->isRunning(), qPrintable(service->errorText()));
        QCOMPARE(client->send("PUT", presigned(*service, "PUT", bucket, "")).status, 200);
    }

    void cleanup() {
        client.reset();
        service.reset();
    }

    void completedObjectsReadAcrossParts() {
        const QString key = QStringLiteral("8/replaced");
        QCOMPARE(client->send("PUT", presigned(*service, "PUT", bucket, key), "single").status,
                 200);
        const QList<QByteArray> parts = {QByteArray(1500, 'x'), QByteArray(1024, 'w'),
                                         QByteArray("yz")};
        const QString uploadId = createUpload(key);
        QList<QPair<int, QByteArray>> list;
        for (int i = 0; i < parts.size(); ++i)
            list << qMakePair(i + 1, putPart(key, uploadId, i + 1, parts[i]).header("ETag"));
        QCOMPARE(complete(key, uploadId, completeBody(list)).status, 200);

        const QByteArray whole = parts.join();
        QCOMPARE(client->get(presigned(*service, "GET", bucket, key)).body, whole);
        // A range from the end of the first part over the second into the last one.
        const auto ranged =
            client->get(presigned(*service, "GET", bucket, key), {{"Range", "bytes=1498-2525"}});
        QCOMPARE(ranged.status, 206);
        QCOMPARE(ranged.body, "xx" + QByteArray(1024, 'w') + "yz");

        // The upload is gone once completed; the client takes this answer as "done before".
        const auto again = complete(key, uploadId, completeBody(list));
        QCOMPARE(again.status, 404);
        QCOMPARE(xmlValue(again.body, "Code"), QStringLiteral("NoSuchUpload"));
        QCOMPARE(client->send("DELETE", presigned(*service, "DELETE", bucket, key)).status, 204);
        QCOMPARE(client->get(presigned(*service, "GET", bucket, key)).status, 404);
    }

    void refusesBadCompletionsWithoutLosingParts() {
        const QString key = QStringLiteral("7/checked");
        const QString uploadId = createUpload(key);
        const QByteArray first(2048, 'x'), small(10, 'y'), last("z");
        QCOMPARE(putPart(key, uploadId, 1, first).status, 200);
        QCOMPARE(putPart(key, uploadId, 2, small).status, 200);
        QCOMPARE(putPart(key, uploadId, 3, last).status, 200);

        const auto expectRefusal = [&](const QByteArray& body, int status, const QString& code) {
            const auto reply = complete(key, uploadId, body);
            QCOMPARE(reply.status, status);
            QCOMPARE(xmlValue(reply.body, "Code"), code);
        };
        expectRefusal(completeBody({{2, quotedMd5(small)}, {1, quotedMd5(first)}}), 400,
                      "InvalidPartOrder");
        expectRefusal(completeBody({{1, quotedMd5(first)}, {1, quotedMd5(first)}}), 400,
                      "InvalidPartOrder");
        expectRefusal(completeBody({{1, quotedMd5("other")}}), 400, "InvalidPart");
        expectRefusal(completeBody({{1, quotedMd5(first)}, {4, quotedMd5(last)}}), 400,
                      "InvalidPart");
        expectRefusal(
            completeBody({{1, quotedMd5(first)}, {2, quotedMd5(small)}, {3, quotedMd5(last)}}), 400,
            "EntityTooSmall");

        // The document reader itself is checked on its own; here only that a refusal reaches
        // the client.
        const QList<QByteArray> malformed = {
            "not xml",
            "<!DOCTYPE x [<!ENTITY a \"aaaa\">]><CompleteMultipartUpload><Part><PartNumber>1"
            "</PartNumber><ETag>&a;</ETag></Part></CompleteMultipartUpload>",
        };
        for (const QByteArray& body : malformed)
            expectRefusal(body, 400, "MalformedXML");

        // Every refusal left the stored parts alone: the right list still completes.
        const auto done =
            complete(key, uploadId, completeBody({{1, quotedMd5(first)}, {3, quotedMd5(last)}}));
        QCOMPARE(done.status, 200);
        QCOMPARE(client->get(presigned(*service, "GET", bucket, key)).body, first + last);

        const auto unknown = complete(key, "0123456789abcdef0123456789abcdef",
                                      completeBody({{1, quotedMd5(first)}}));
        QCOMPARE(unknown.status, 404);
        QCOMPARE(xmlValue(unknown.body, "Code"), QStringLiteral("NoSuchUpload"));
    }

    void abortEndsTheUpload() {
        const QString key = QStringLiteral("7/aborted");
        const QString uploadId = createUpload(key);
        QCOMPARE(putPart(key, uploadId, 1, "data").status, 200);
        const auto abortUrl =
            presigned(*service, "DELETE", bucket, key, {{"uploadId", uploadId.toStdString()}});
        QCOMPARE(client->send("DELETE", abortUrl).status, 204);

        const auto part = putPart(key, uploadId, 2, "more");
        QCOMPARE(part.status, 404);
        QCOMPARE(xmlValue(part.body, "Code"), QStringLiteral("NoSuchUpload"));
        QCOMPARE(xmlValue(listParts(key, uploadId).body, "Code"), QStringLiteral("NoSuchUpload"));
        QCOMPARE(client->send("DELETE", abortUrl).status, 404);
        // An upload id only answers under its own key.
        const QString other = createUpload(key);
        QCOMPARE(putPart("7/elsewhere", other, 1, "x").status, 404);
    }

    void completesEmptySinglePart() {
        const QString key = QStringLiteral("7/empty");
        const QString uploadId = createUpload(key);
        const auto part = putPart(key, uploadId, 1, {});
        QCOMPARE(part.status, 200);
        QCOMPARE(part.header("ETag"), quotedMd5({}));
        QCOMPARE(complete(key, uploadId, completeBody({{1, part.header("ETag")}})).status, 200);
        const auto object = client->get(presigned(*service, "GET", bucket, key));
        QCOMPARE(object.status, 200);
        QVERIFY(object.body.isEmpty());
    }

    void refusesCorruptedBodies() {
        const QString key = QStringLiteral("7/checked-body");
        const auto url = presigned(*service, "PUT", bucket, key);
        const QByteArray wrongMd5 =
            QCryptographicHash::hash("something else", QCryptographicHash::Md5).toBase64();
        const auto reply = client->send("PUT", url, "payload", {{"Content-MD5", wrongMd5}});
        QCOMPARE(reply.status, 400);
        QCOMPARE(xmlValue(reply.body, "Code"), QStringLiteral("BadDigest"));
        QCOMPARE(client->get(presigned(*service, "GET", bucket, key)).status, 404);
    }

    // Modern S3 clients stream unsigned payloads in aws-chunked framing with a trailing
    // checksum; the object holds the decoded bytes.
    void acceptsAwsChunkedPayloads() {
        const QByteArray data = QByteArray(70000, 'c') + "end";
        QByteArray framed;
        for (qsizetype at = 0; at < data.size(); at += 32768) {
            const QByteArray piece = data.mid(at, 32768);
            framed += QByteArray::number(piece.size(), 16) + "\r\n" + piece + "\r\n";
        }
        framed += "0\r\nx-amz-checksum-crc32:AAAAAA==\r\n\r\n";

        const auto send = [&](const QString& key, const QByteArray& body) {
            const std::string payload = "STREAMING-UNSIGNED-PAYLOAD-TRAILER";
            const std::string amzDate =
                devservice::SigV4::amzDate(std::chrono::system_clock::now());
            const std::string host = service->baseUrl().authority().toStdString();
            const std::string path = "/" + bucket.toStdString() + "/" + key.toStdString();
            const std::string canonical = devservice::SigV4::canonicalRequest(
                "PUT", path, "",
                "host:" + host + "\nx-amz-content-sha256:" + payload + "\nx-amz-date:" + amzDate +
                    "\n",
                "host;x-amz-content-sha256;x-amz-date", payload);
            const std::string scope = devservice::SigV4::scope(amzDate.substr(0, 8), "us-east-1");
            const std::string signature = devservice::SigV4::signature(
                devservice::SigV4::signingKey("parcella-dev-secret", amzDate.substr(0, 8),
                                              "us-east-1"),
                devservice::SigV4::stringToSign(amzDate, scope, canonical));
            const QByteArray head =
                QByteArray::fromStdString(
                    "PUT " + path + " HTTP/1.1\r\nHost: " + host + "\r\nX-Amz-Date: " + amzDate +
                    "\r\nX-Amz-Content-SHA256: " + payload +
                    "\r\nAuthorization: AWS4-HMAC-SHA256 Credential=parcella-dev/" + scope +
                    ", SignedHeaders=host;x-amz-content-sha256;x-amz-date, Signature=" + signature +
                    "\r\nContent-Encoding: aws-chunked\r\nX-Amz-Decoded-Content-Length: ") +
                QByteArray::number(data.size()) +
                "\r\nContent-Length: " + QByteArray::number(body.size()) +
                "\r\nConnection: close\r\n\r\n";
            return rawExchange(*service, head, body);
        };
        const auto stored = send("7/chunked", framed);
        QCOMPARE(rawStatus(stored), 200);
        QVERIFY(stored.received.contains(quotedMd5(data)));
        QCOMPARE(client->get(presigned(*service, "GET", bucket, "7/chunked")).body, data);

        const auto truncated = send("7/truncated", framed.left(framed.size() - 20));
        QCOMPARE(rawStatus(truncated), 400);
        QVERIFY(truncated.received.contains("<Code>IncompleteBody</Code>"));
        QCOMPARE(client->get(presigned(*service, "GET", bucket, "7/truncated")).status, 404);
    }

    void keysCannotLeaveTheStorage_data() {
        QTest::addColumn<QByteArray>("path");
        QTest::newRow("dot-dot") << QByteArray("/ws-test/../../outside");
        QTest::newRow("encoded dot-dot") << QByteArray("/ws-test/%2e%2e/%2E%2E/outside");
        QTest::newRow("inner dot-dot") << QByteArray("/ws-test/a/../../../outside");
        QTest::newRow("encoded slashes") << QByteArray("/ws-test/..%2f..%2foutside");
        QTest::newRow("absolute") << QByteArray("/ws-test//tmp/outside");
        QTest::newRow("dot") << QByteArray("/ws-test/./outside");
    }

    void keysCannotLeaveTheStorage() {
        QFETCH(QByteArray, path);
        // Sign the key the server will decode, so the refusal comes from the key check and not
        // from the signature.
        const QByteArray decoded = QByteArray::fromPercentEncoding(path);
        const QString key = QString::fromUtf8(decoded.mid(bucket.size() + 2));
        const QUrl url = presigned(*service, "PUT", bucket, key);
        const QByteArray head = "PUT " + path + "?" + url.query(QUrl::FullyEncoded).toLatin1() +
                                " HTTP/1.1\r\nHost: " + url.authority().toLatin1() +
                                "\r\nContent-Length: 5\r\nConnection: close\r\n\r\n";
        const auto reply = rawExchange(*service, head, "owned");
        QCOMPARE(rawStatus(reply), 400);
        QVERIFY(reply.received.contains("<Code>InvalidArgument</Code>"));
        QDirIterator files(service->dataDir(), QDir::Files, QDirIterator::Subdirectories);
        while (files.hasNext())
            QVERIFY2(!files.next().endsWith("outside"), qPrintable(files.filePath()));
        QVERIFY(!QFile::exists(QDir(service->dataDir()).filePath("../outside")));
        QVERIFY(!QFile::exists("/tmp/outside"));
    }

    void storesUnusualKeysSafely() {
        for (const QString& key : {QStringLiteral("dir/..hidden/x"), QStringLiteral("a b+c~é.txt"),
                                   QString(1024, 'k')}) {
            QCOMPARE(
                client->send("PUT", presigned(*service, "PUT", bucket, key), key.toUtf8()).status,
                200);
            QCOMPARE(client->get(presigned(*service, "GET", bucket, key)).body, key.toUtf8());
        }
        const auto tooLong =
            client->send("PUT", presigned(*service, "PUT", bucket, QString(1025, 'k')), "x");
        QCOMPARE(tooLong.status, 400);
        QCOMPARE(xmlValue(tooLong.body, "Code"), QStringLiteral("KeyTooLongError"));
    }
};

QTEST_GUILESS_MAIN(StorageMultipartTest)
#include "tst_StorageMultipart.moc"
