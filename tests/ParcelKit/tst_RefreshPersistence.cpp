#include "AuthSession.h"
#include "InMemoryTokenStore.h"
#include "TestHTTPServer.h"
#include "TestSupport.h"
#include "URLSession.h"

#include <QJsonObject>
#include <QScopeGuard>
#include <QSemaphore>
#include <QtTest>

using namespace ParcelKit;
using namespace ParcelKit::Testing;
using namespace std::chrono_literals;

// The service rotates the refresh token away with every refresh; a refresh that ended before the
// new one was stored would leave a process killed right then signed out at its next start.
class tst_RefreshPersistence : public QObject {
    Q_OBJECT

private slots:
    void aRefreshEndsOnlyOnceTheNewTokensAreStored();
};

namespace {

// Holds every save until the test lets it through.
class HeldStore : public TokenStore {
public:
    explicit HeldStore(Tokens tokens) : m_inner(std::move(tokens)) {}

    std::optional<Tokens> load() override { return m_inner.load(); }
    void save(const std::optional<Tokens>& tokens) override {
        ++saving;
        gate.acquire();
        m_inner.save(tokens);
    }

    QSemaphore gate;
    std::atomic<int> saving{0};

private:
    InMemoryTokenStore m_inner;
};

QCoro::Task<void> collect(QCoro::Task<Tokens> task, std::optional<Tokens>* result) {
    *result = co_await task;
}

} // namespace

void tst_RefreshPersistence::aRefreshEndsOnlyOnceTheNewTokensAreStored() {
    TestHTTPServer server;
    URLSession urlSession;
    HeldStore store(Tokens{"access-0", "refresh-0", Timestamp{0}});
    AuthSession session({server.url(), "client", QUrl("parcella://oauth/callback")}, store,
                        urlSession, [] { return Timestamp{1000}; });
    // Before the session ends, which waits for its saves.
    const auto release = qScopeGuard([&store] { store.gate.release(100); });
    server.enqueue(TestHTTPServer::Reply::json(200, QJsonObject{{"access_token", "access-1"},
                                                                {"refresh_token", "refresh-1"},
                                                                {"expires_in", 3600}}));

    std::optional<Tokens> refreshed;
    collect(session.refresh({}), &refreshed);
    QVERIFY(spinUntil([&store] { return store.saving.load() == 1; }));
    QVERIFY(!spinUntil([&refreshed] { return refreshed.has_value(); }, 300ms));

    store.gate.release();
    QVERIFY(spinUntil([&refreshed] { return refreshed.has_value(); }));
    QCOMPARE(refreshed->refreshToken, QStringLiteral("refresh-1"));
    QCOMPARE(store.load(), refreshed);
}

QTEST_GUILESS_MAIN(tst_RefreshPersistence)
#include "tst_RefreshPersistence.moc"
