// The admin endpoints the end-to-end tests drive (faults, counters, the clock) answer only to the
// admin token; multipart uploads nobody completes or aborts are aborted once idle for the
// configured age, parts and all, with the service's clock moved forward instead of waiting.
// The faults themselves are exercised by tests/e2e/test_faults.py.
#include "DevServiceProcess.h"
#include "HttpClient.h"
#include "StorageTestSupport.h"

#include <QDir>
#include <QTest>

using namespace storagetest;

class tst_StorageAdmin : public QObject {
    Q_OBJECT

    const QString bucket = QStringLiteral("ws-studio");

private slots:
    void adminNeedsTheToken() {
        HttpClient http;
        {
            DevServiceProcess service(serviceArguments());
            QVERIFY2(service.isRunning(), qPrintable(service.errorText()));
            for (const QByteArray& token : {QByteArray(), QByteArray("wrong")}) {
                QCOMPARE(admin(http, service, "GET", "/admin/counters", {}, token).status, 403);
                QCOMPARE(
                    admin(http, service, "POST", "/admin/faults", {{"status", 500}}, token).status,
                    403);
            }
            QCOMPARE(admin(http, service, "GET", "/admin/counters").status, 200);
        }
        DevServiceProcess withoutToken;
        QVERIFY(withoutToken.isRunning());
        QVERIFY(admin(http, withoutToken, "GET", "/admin/counters").status != 200);
        QVERIFY(admin(http, withoutToken, "POST", "/admin/faults", {{"status", 500}}).status !=
                200);
    }

    void idleUploadIsAbortedPastItsAge() {
        DevServiceProcess service(serviceArguments() << "--abandoned-upload-age"
                                                     << "3600");
        QVERIFY2(service.isRunning(), qPrintable(service.errorText()));
        HttpClient http;
        const auto created =
            http.send("POST", presigned(service, "POST", bucket, "left.bin", {{"uploads", ""}}));
        QCOMPARE(created.status, 200);
        const QString uploadId = xmlValue(created.body, "UploadId");
        const devservice::SigV4::Query ofUpload{{"uploadId", uploadId.toStdString()}};
        auto partQuery = ofUpload;
        partQuery.push_back({"partNumber", "1"});
        QCOMPARE(http.send("PUT", presigned(service, "PUT", bucket, "left.bin", partQuery),
                           QByteArray(2048, 'x'))
                     .status,
                 200);
        const QDir uploadDir(service.dataDir() + "/storage/uploads/" + uploadId);
        QVERIFY(uploadDir.exists());

        const auto listed = [&] {
            return http.get(presigned(service, "GET", bucket, "left.bin", ofUpload)).status;
        };
        QCOMPARE(admin(http, service, "POST", "/admin/clock", {{"advanceSeconds", 3590}}).status,
                 204);
        QCOMPARE(listed(), 200);
        QCOMPARE(admin(http, service, "POST", "/admin/clock", {{"advanceSeconds", 20}}).status,
                 204);
        QCOMPARE(listed(), 404);
        QVERIFY(!uploadDir.exists());
    }
};

QTEST_GUILESS_MAIN(tst_StorageAdmin)
#include "tst_StorageAdmin.moc"
