#include "AuthSession.h"
#include "HTTP.h"
#include "InMemoryTokenStore.h"
#include "TestHTTPServer.h"
#include "TestSupport.h"
#include "URLSession.h"

#include <QtTest>

using namespace ParcelKit;
using namespace ParcelKit::Testing;
using Reply = TestHTTPServer::Reply;

Q_DECLARE_METATYPE(ParcelKit::Testing::TestHTTPServer::Reply)

// Answers that did not arrive whole, or that never end, are never handed on as complete ones.
class tst_AnswerIntegrity : public QObject {
    Q_OBJECT

private slots:
    void incompleteOrEndlessAnswersFail_data();
    void incompleteOrEndlessAnswersFail();
    void refreshCutInsideTheHeadKeepsTheSession();
};

namespace {
const QByteArray cutInHead = "HTTP/1.1 200 OK\r\nContent-Type: application/js";
} // namespace

void tst_AnswerIntegrity::incompleteOrEndlessAnswersFail_data() {
    QTest::addColumn<Reply>("reply");
    QTest::addColumn<QString>("expected");
    const QString lost = "The network connection was lost.";
    QTest::newRow("cut after the status line") << Reply::rawBytes(cutInHead) << lost;
    QTest::newRow("100 MiB body") << Reply::text(200, QByteArray(100 * 1024 * 1024, ' '))
                                  << "The server sent an answer the app doesn't understand.";
}

void tst_AnswerIntegrity::incompleteOrEndlessAnswersFail() {
    QFETCH(Reply, reply);
    QFETCH(QString, expected);
    TestHTTPServer server;
    server.enqueue(reply);
    URLSession session;
    HTTPRequest request;
    request.url = server.url();
    const auto error = failureOf(HTTP::exchange(session, request, {}));
    QVERIFY(error);
    // Cut answers pass (a retry may work); an endless one is the server's fault.
    QCOMPARE(error->kind(), expected.startsWith("The network") ? ParcelKitError::Kind::network
                                                               : ParcelKitError::Kind::server);
    QCOMPARE(error->userText(), expected);
}

void tst_AnswerIntegrity::refreshCutInsideTheHeadKeepsTheSession() {
    TestHTTPServer server;
    URLSession urlSession;
    const Tokens tokens{"access-0", "refresh-0", Timestamp{0}};
    InMemoryTokenStore store(tokens);
    AuthSession session({server.url(), "client", QUrl("parcella://oauth/callback")}, store,
                        urlSession, [] { return Timestamp{1000}; });
    server.enqueue(Reply::rawBytes(cutInHead));
    const auto error = failureOf(session.refresh({}));
    QVERIFY(error && error->kind() == ParcelKitError::Kind::network);
    QVERIFY(session.isSignedIn());
    QCOMPARE(store.load(), std::optional<Tokens>(tokens));
}

QTEST_GUILESS_MAIN(tst_AnswerIntegrity)
#include "tst_AnswerIntegrity.moc"
