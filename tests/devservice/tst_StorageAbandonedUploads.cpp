// Multipart uploads nobody completes or aborts are aborted once idle for the configured age,
// parts and all; the service's clock is moved forward instead of waiting.
#include "DevServiceProcess.h"
#include "HttpClient.h"
#include "StorageTestSupport.h"

#include <QDir>
#include <QTest>

using namespace storagetest;

class tst_StorageAbandonedUploads : public QObject {
    Q_OBJECT

    const QString bucket = QStringLiteral("ws-studio");

private slots:
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

QTEST_GUILESS_MAIN(tst_StorageAbandonedUploads)
#include "tst_StorageAbandonedUploads.moc"
