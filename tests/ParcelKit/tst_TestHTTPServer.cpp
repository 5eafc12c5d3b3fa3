#include "HTTP.h"
#include "TestHTTPServer.h"
#include "TestSupport.h"
#include "URLSession.h"

#include <QTcpSocket>
#include <QtTest>

using namespace ParcelKit;
using namespace ParcelKit::Testing;
using Reply = TestHTTPServer::Reply;

// The loopback server speaks enough HTTP/1.1 for clients other than the engine's.
class tst_TestHTTPServer : public QObject {
    Q_OBJECT

private slots:
    void chunkedBodyAfterContinue();
    void pipelinedRequestsAreAnsweredInOrder();
    void sinkCountsBodiesWithoutKeepingThem();
};

namespace {

// Reads from the blocking socket until `marker` arrived, at most a few seconds.
QByteArray readUntil(QTcpSocket& socket, const QByteArray& marker, int occurrences = 1) {
    QByteArray received;
    for (int turn = 0; turn < 50 && received.count(marker) < occurrences; ++turn) {
        socket.waitForReadyRead(100);
        received += socket.readAll();
    }
    return received;
}

} // namespace

void tst_TestHTTPServer::chunkedBodyAfterContinue() {
    TestHTTPServer server;
    server.enqueue(Reply::text(201, "made"));
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, server.port());
    QVERIFY(socket.waitForConnected(5000));
    socket.write("POST /chunks HTTP/1.1\r\nHost: 127.0.0.1\r\nTransfer-Encoding: chunked\r\n"
                 "Expect: 100-continue\r\n\r\n");
    QVERIFY(readUntil(socket, "\r\n\r\n").startsWith("HTTP/1.1 100 Continue"));
    socket.write("5\r\nhello\r\n6;name=value\r\n world\r\n0\r\nX-Trailer: t\r\n\r\n");
    const QByteArray answer = readUntil(socket, "made");
    QVERIFY2(answer.startsWith("HTTP/1.1 201 "), answer);
    QCOMPARE(server.requests().value(0).body, QByteArray("hello world"));
}

void tst_TestHTTPServer::pipelinedRequestsAreAnsweredInOrder() {
    TestHTTPServer server;
    server.setHandler([](const RecordedRequest& request) {
        return Reply::text(200, "path=" + request.path().toUtf8() + "!");
    });
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, server.port());
    QVERIFY(socket.waitForConnected(5000));
    socket.write("GET /a HTTP/1.1\r\nHost: h\r\n\r\nPUT /b HTTP/1.1\r\nHost: h\r\n"
                 "Content-Length: 3\r\n\r\nxyz");
    const QByteArray answers = readUntil(socket, "!", 2);
    QVERIFY2(answers.contains("path=/a!"), answers);
    QVERIFY2(answers.indexOf("path=/a!") < answers.indexOf("path=/b!"), answers);
    QCOMPARE(server.requests().value(1).body, QByteArray("xyz"));
    QCOMPARE(server.acceptedConnections(), 1);
}

void tst_TestHTTPServer::sinkCountsBodiesWithoutKeepingThem() {
    TestHTTPServer server;
    server.setSink(true);
    URLSession session;
    HTTPRequest request;
    request.url = server.url("/sink");
    request.method = "PUT";
    const QByteArray body(3 * 1024 * 1024 + 1, 's');
    const HTTP::Answer answer = Testing::await(HTTP::upload(session, request, body, {}, {}));
    QCOMPARE(answer.response.status, 200);
    QCOMPARE(server.sinkBytes(), qint64(body.size()));
    QCOMPARE(server.requestCount(), 0);
}

QTEST_GUILESS_MAIN(tst_TestHTTPServer)
#include "tst_TestHTTPServer.moc"
