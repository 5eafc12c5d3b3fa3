#include "PKCE.h"

#include <QRegularExpression>
#include <QtTest>

using namespace ParcelKit;

namespace {
const QRegularExpression urlSafe("^[A-Za-z0-9_-]*$");
}

class tst_PKCE : public QObject {
    Q_OBJECT

private slots:
    void randomTextIsURLSafeWithoutPaddingAndFresh() {
        QCOMPARE(randomURLSafeString(32).size(), 43);
        QCOMPARE(randomURLSafeString(16).size(), 22);
        QCOMPARE(randomURLSafeString(1).size(), 2);
        QSet<QString> seen;
        for (int i = 0; i < 200; ++i) {
            const QString text = randomURLSafeString(16);
            QVERIFY2(urlSafe.match(text).hasMatch(), qPrintable(text));
            seen.insert(text);
        }
        QCOMPARE(seen.size(), 200);
    }

    void challengeIsTheBase64URLOfTheVerifiersSHA256() {
        // Expected values computed with another SHA-256 and Base64 implementation; the first holds
        // both replaced characters.
        QCOMPARE(PKCE(QStringLiteral("parcella-verifier-4")).challenge,
                 QStringLiteral("vj_MSYNnjD_2aF3RnYDK1DFotGT-YwzT7Kt_vhhhP1U"));
        QCOMPARE(PKCE(QStringLiteral("é")).challenge,
                 QStringLiteral("SplVfkAzw1Od4utlRyAXytX5VX96BiWgnxw_biumnEw"));
        QCOMPARE(QString(PKCE::method), QStringLiteral("S256"));

        // A generated verifier holds 32 random bytes.
        const PKCE first = PKCE::generate();
        const PKCE second = PKCE::generate();
        QCOMPARE(first.verifier.size(), 43);
        QCOMPARE(first.challenge.size(), 43);
        QVERIFY(urlSafe.match(first.challenge).hasMatch());
        QCOMPARE(PKCE(first.verifier), first);
        QVERIFY(first.verifier != second.verifier);
    }
};

QTEST_GUILESS_MAIN(tst_PKCE)
#include "tst_PKCE.moc"
