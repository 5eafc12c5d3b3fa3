// The browser sign-in's callback route: a callback reaches the sign-in waiting for its state and
// no other; cancelling, replacing and destroying end a waiting sign-in with none.
#include "CallbackListener.h"
#include "SignInController.h"

#include "TestSupport.h"

#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace Parcella;
using ParcelKit::Testing::await;
using ParcelKit::Testing::spinUntil;

namespace {

QUrl authorizeURL(const QString& state) {
    return QUrl(
        QStringLiteral("http://127.0.0.1:9/oauth/authorize?client_id=c&state=%1").arg(state));
}

QUrl callback(const QString& state, const QString& scheme = QStringLiteral("parcella")) {
    return QUrl(QStringLiteral("%1://oauth/callback?code=abc&state=%2").arg(scheme, state));
}

// A sign-in running in the background, so the test can deliver while it waits.
struct Running {
    std::shared_ptr<std::optional<std::optional<QUrl>>> outcome =
        std::make_shared<std::optional<std::optional<QUrl>>>();

    static QCoro::Task<void> drive(QCoro::Task<std::optional<QUrl>> task,
                                   std::shared_ptr<std::optional<std::optional<QUrl>>> outcome) {
        outcome->emplace(co_await task);
    }

    Running(SignInController& controller, const QString& state) {
        drive(controller.signIn(authorizeURL(state), QStringLiteral("parcella")), outcome);
    }
    bool ended() {
        return spinUntil([this] { return outcome->has_value(); });
    }
};

} // namespace

class tst_SignInController : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QVERIFY(m_runtime.isValid());
        qputenv("XDG_RUNTIME_DIR", m_runtime.path().toUtf8());
    }

    void callbackReachesTheSignInOfItsState_data() {
        QTest::addColumn<QUrl>("sent");
        QTest::addColumn<bool>("routed");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("own state") << callback("s1") << true << true;
        QTest::newRow("scheme in capitals") << callback("s1", "PARCELLA") << true << true;
        QTest::newRow("unknown state") << callback("forged") << false << false;
        QTest::newRow("no state") << QUrl("parcella://oauth/callback?code=abc") << false << false;
        QTest::newRow("other scheme") << callback("s1", "https") << true << false;
    }
    void callbackReachesTheSignInOfItsState() {
        QFETCH(QUrl, sent);
        QFETCH(bool, routed);
        QFETCH(bool, accepted);
        QList<QUrl> opened;
        SignInController controller([&opened](const QUrl& url) {
            opened.append(url);
            return true;
        });
        Running running(controller, "s1");
        QCOMPARE(opened, QList<QUrl>{authorizeURL("s1")});

        QCOMPARE(SignInController::deliver(sent), routed);
        if (!accepted) {
            // Still waiting: the right callback afterwards completes it.
            QVERIFY(!spinUntil([&] { return running.outcome->has_value(); },
                               std::chrono::milliseconds(200)));
            QVERIFY(SignInController::deliver(callback("s1")));
        }
        QVERIFY(running.ended());
        QCOMPARE(**running.outcome, accepted ? sent : callback("s1"));
        // Answered sign-ins stop listening: a replayed callback reaches nobody.
        QVERIFY(!SignInController::deliver(callback("s1")));
    }
    void endingAWaitingSignInGivesNone_data() {
        QTest::addColumn<QString>("how");
        QTest::newRow("cancel") << "cancel";
        QTest::newRow("replaced by a new sign-in") << "replace";
        QTest::newRow("controller destroyed") << "destroy";
    }
    void endingAWaitingSignInGivesNone() {
        QFETCH(QString, how);
        auto controller = std::make_unique<SignInController>([](const QUrl&) { return true; });
        Running first(*controller, "first");
        std::optional<Running> second;
        if (how == "cancel")
            controller->cancel();
        else if (how == "replace")
            second.emplace(*controller, "second");
        else
            controller.reset();
        QVERIFY(first.ended());
        QCOMPARE(**first.outcome, std::optional<QUrl>());
        QVERIFY(!SignInController::deliver(callback("first")));
        if (second) {
            QVERIFY(SignInController::deliver(callback("second")));
            QVERIFY(second->ended());
            QCOMPARE(**second->outcome, callback("second"));
        }
    }
    void browserThatCannotOpenFails() {
        SignInController controller([](const QUrl&) { return false; });
        QVERIFY_THROWS_EXCEPTION(ParcelKit::ParcelKitError,
                                 await(controller.signIn(authorizeURL("s2"), "parcella")));
        QVERIFY(!SignInController::deliver(callback("s2")));
    }

private:
    QTemporaryDir m_runtime;
};

QTEST_GUILESS_MAIN(tst_SignInController)
#include "tst_SignInController.moc"
