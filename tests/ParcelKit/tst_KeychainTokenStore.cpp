#include "KeychainItem.h"
#include "KeychainTokenStore.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QtTest>

using namespace ParcelKit;

// Runs against the private keyring daemon of with-keyring.sh; every test uses its own service so
// that nothing one test leaves behind is seen by another.
class tst_KeychainTokenStore : public QObject {
    Q_OBJECT

private slots:
    void savedTokensLoadEqualInTheStoredForm();
    void savingReplacesAndNoneDeletesOnlyThisAccount();
    void itemsNotInTheStoredFormLoadAsNone();
};

namespace {

const Tokens sample{"access-1", "refresh-1", Timestamp{786'500'000.123456789}};
const Tokens other{"access-2", "refresh-ü", Timestamp{-12.5}};

// The items as another Secret Service client sees them, one line per attribute.
QStringList itemsSeenBySecretTool(const QString& service, const QString& account) {
    QProcess tool;
    tool.start("secret-tool", {"search", "--all", "service", service, "account", account});
    if (!tool.waitForFinished(20'000))
        return {"secret-tool did not finish"};
    const QString output =
        QString::fromUtf8(tool.readAllStandardOutput() + tool.readAllStandardError());
    return output.split('\n', Qt::SkipEmptyParts);
}

bool storeWithSecretTool(const QString& service, const QString& account, const QByteArray& data,
                         const QStringList& moreAttributes = {}) {
    QProcess tool;
    tool.start("secret-tool", QStringList{"store", "--label=Someone else", "service", service,
                                          "account", account} +
                                  moreAttributes);
    tool.write(data);
    tool.closeWriteChannel();
    return tool.waitForFinished(20'000) && tool.exitCode() == 0;
}

} // namespace

void tst_KeychainTokenStore::savedTokensLoadEqualInTheStoredForm() {
    KeychainTokenStore store("app.parcella.test.roundtrip");
    QCOMPARE(store.account(), QStringLiteral("oauth-tokens"));
    // An empty keychain loads none and deletes without failing.
    QCOMPARE(store.load(), std::nullopt);
    store.save(std::nullopt);
    store.save(sample);
    QCOMPARE(store.load(), sample);

    const std::optional<QByteArray> data = KeychainItem(store.service(), store.account()).read();
    QVERIFY(data);
    const QJsonObject stored = QJsonDocument::fromJson(*data).object();
    QCOMPARE(stored.keys(), (QStringList{"accessToken", "expiresAt", "refreshToken"}));
    QCOMPARE(stored.value("expiresAt").toDouble(), 786'500'000.123456789);
    QCOMPARE(stored.value("refreshToken").toString(), QStringLiteral("refresh-1"));

    const QStringList seen = itemsSeenBySecretTool(store.service(), store.account());
    QVERIFY2(seen.contains("label = Parcella"), qPrintable(seen.join('\n')));
}

void tst_KeychainTokenStore::savingReplacesAndNoneDeletesOnlyThisAccount() {
    KeychainTokenStore store("app.parcella.test.delete");
    KeychainTokenStore neighbour("app.parcella.test.delete", "other-account");
    store.save(other);
    store.save(sample);
    QCOMPARE(store.load(), sample);
    QCOMPARE(itemsSeenBySecretTool(store.service(), store.account())
                 .filter(QRegularExpression("^\\["))
                 .size(),
             1);
    neighbour.save(other);
    store.save(std::nullopt);
    QCOMPARE(store.load(), std::nullopt);
    QVERIFY(itemsSeenBySecretTool(store.service(), store.account()).isEmpty());
    QCOMPARE(neighbour.load(), other);
}

void tst_KeychainTokenStore::itemsNotInTheStoredFormLoadAsNone() {
    const QString service = "app.parcella.test.damaged";
    KeychainTokenStore store(service);
    const QByteArray damaged[] = {
        "{}",
        "not json",
        "[]",
        R"({"accessToken":"a","refreshToken":"r","expiresAt":"2030-01-01"})",
        R"({"accessToken":"a","refreshToken":7,"expiresAt":1})",
        R"({"accessToken":"a","expiresAt":1})",
    };
    for (const QByteArray& data : damaged) {
        // Written by another client, so finding it does not depend on our own schema name.
        QVERIFY(storeWithSecretTool(service, store.account(), data));
        QVERIFY2(store.load() == std::nullopt, data.constData());
    }
    // A second matching item of another client: saving keeps exactly one, with our tokens.
    QVERIFY(storeWithSecretTool(service, store.account(), "{}", {"note", "duplicate"}));
    store.save(sample);
    QCOMPARE(store.load(), sample);
    const QStringList seen = itemsSeenBySecretTool(service, store.account());
    QCOMPARE(seen.filter(QRegularExpression("^\\[")).size(), 1);
}

QTEST_GUILESS_MAIN(tst_KeychainTokenStore)
#include "tst_KeychainTokenStore.moc"
