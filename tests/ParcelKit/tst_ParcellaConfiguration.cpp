#include "InfoDictionary.h"
#include "ParcellaConfiguration.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace ParcelKit;

namespace {

QString writeFile(const QTemporaryDir& directory, const QByteArray& content) {
    const QString path = directory.filePath("Info.json");
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(content);
    return path;
}

} // namespace

class tst_ParcellaConfiguration : public QObject {
    Q_OBJECT

private slots:
    void readsEveryKey() {
        const auto configuration = ParcellaConfiguration::fromInfoDictionary(QJsonObject{
            {"PCBaseURL", "http://127.0.0.1:8750/"},
            {"PCClientID", "client-1"},
            {"PCRedirectURI", "parcella-dev://oauth/callback"},
        });
        QCOMPARE(configuration.baseURL, QUrl("http://127.0.0.1:8750/"));
        QCOMPARE(configuration.clientID, QString("client-1"));
        QCOMPARE(configuration.redirectURI, QUrl("parcella-dev://oauth/callback"));

        // A missing dictionary gives the defaults.
        const ParcellaConfiguration expected{ParcellaConfiguration::builtInBaseURL, QString(),
                                             QUrl("parcella://oauth/callback")};
        QCOMPARE(ParcellaConfiguration::fromInfoDictionary(std::nullopt), expected);
        QCOMPARE(ParcellaConfiguration::fromInfoDictionary(QJsonObject{}), expected);
    }

    void unusableValuesFallBack() {
        for (const QJsonValue& value :
             {QJsonValue(42), QJsonValue(QJsonValue::Null),
              QJsonValue(QJsonArray{"https://example.invalid"}), QJsonValue("http://[::1"),
              QJsonValue("just words"), QJsonValue("")}) {
            const auto configuration = ParcellaConfiguration::fromInfoDictionary(
                QJsonObject{{"PCBaseURL", value},
                            {"PCClientID", value.isString() ? QJsonValue(42) : value},
                            {"PCRedirectURI", value}});
            QCOMPARE(configuration.baseURL, ParcellaConfiguration::builtInBaseURL);
            QCOMPARE(configuration.clientID, QString());
            QCOMPARE(configuration.redirectURI, QUrl("parcella://oauth/callback"));
        }
    }

    void installedDictionaryWinsOverCompiledCopy() {
        QTemporaryDir directory;
        const QString path = writeFile(
            directory, "{\"PCBaseURL\":\"https://staging.example.test\",\"PCAppGroup\":\"g\"}");
        const auto info = InfoDictionary::load(path);
        QVERIFY(info);
        QCOMPARE(info->value("PCAppGroup").toString(), QString("g"));
        const auto configuration = ParcellaConfiguration::fromInfoDictionary(info);
        QCOMPARE(configuration.baseURL, QUrl("https://staging.example.test"));
        QCOMPARE(configuration.clientID, QString());

        // A malformed installed dictionary counts as absent.
        QVERIFY(!InfoDictionary::load(writeFile(directory, "{\"PCBaseURL\": ")));
        QVERIFY(!InfoDictionary::load(writeFile(directory, "[1, 2]")));
    }

    void compiledCopyServesWhenNothingIsInstalled() {
        QTemporaryDir directory;
        const auto info = InfoDictionary::load(directory.filePath("absent/Info.json"));
        QVERIFY(info);
        for (const char* key : {"PCBaseURL", "PCClientID", "PCRedirectURI", "PCAppGroup"})
            QVERIFY2(info->value(key).isString(), key);
        const auto configuration = ParcellaConfiguration::fromInfoDictionary(info);
        QCOMPARE(configuration.baseURL, QUrl(info->value("PCBaseURL").toString()));
        QCOMPARE(configuration.clientID, info->value("PCClientID").toString());
    }
};

QTEST_GUILESS_MAIN(tst_ParcellaConfiguration)
#include "tst_ParcellaConfiguration.moc"
