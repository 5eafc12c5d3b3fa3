// The preview uploader against the loopback service: which files get previews, the sign / PUT /
// complete calls per rendition, silent failures, the 409 polling and the serial order of jobs.
#include "PreviewRenderer.h"
#include "PreviewUploader.h"
#include "ServiceHarness.h"
#include "TestSupport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QtTest>

#include <mutex>

using namespace ParcelKit;
using namespace ParcelKit::Testing;
using namespace std::chrono_literals;
using Reply = TestHTTPServer::Reply;

namespace {

// Hands out fixed renditions and notes which files it was asked for.
class ScriptedRenderer final : public PreviewRenderer {
public:
    std::optional<QByteArray> thumbnail = QByteArray("thumbnail-jpeg");
    std::optional<QByteArray> preview = QByteArray("preview-jpeg");

    QList<std::optional<QByteArray>> render(const QString& path,
                                            const QList<PreviewKind>& kinds) const override {
        std::lock_guard lock(m_mutex);
        m_paths.append(path);
        if (kinds != QList<PreviewKind>{PreviewKind::thumbnail(), PreviewKind::preview()})
            return {};
        return {thumbnail, preview};
    }

    QStringList paths() const {
        std::lock_guard lock(m_mutex);
        return m_paths;
    }

private:
    mutable std::mutex m_mutex;
    mutable QStringList m_paths;
};

UploadRecord recordFor(const QString& path) {
    UploadRecord record;
    record.item.id = QUuid::createUuid();
    record.item.filename = path.section('/', -1);
    record.item.workspaceID = QStringLiteral("ws1");
    record.path = path;
    return record;
}

} // namespace

class tst_PreviewUploader : public QObject {
    Q_OBJECT

private slots:

    void init() {
        m_service = std::make_unique<ServiceHarness>();
        m_renderer = std::make_shared<ScriptedRenderer>();
        m_uploader = std::make_unique<PreviewUploader>(m_service->api, m_renderer);
    }

    void cleanup() {
        m_uploader.reset();
        m_service.reset();
    }

    void previewableTypes() {
        for (const QString name :
             {"photo.jpg", "SCAN.PNG", "contract.pdf", "holiday.MOV", "clip.mp4", "clip.webm"})
            QVERIFY2(PreviewUploader::isPreviewable("/somewhere/" + name), qPrintable(name));
        for (const QString name : {"clip.avi", "notes.txt", "README"})
            QVERIFY2(!PreviewUploader::isPreviewable("/somewhere/" + name), qPrintable(name));
    }

    void eachRenditionIsSignedSentAndCompleted() {
        scriptRendition("thumb");
        scriptRendition("prev");
        runJob(recordFor("/pictures/photo.png"), "u1");

        QCOMPARE(m_renderer->paths(), QStringList{"/pictures/photo.png"});
        const QString base = "/api/v1/workspaces/ws1/uploads/u1/previews";
        QCOMPARE(requestLines(),
                 (QStringList{"POST " + base, "PUT /bucket/thumb",
                              "POST " + base + "/thumbnail/complete", "POST " + base,
                              "PUT /bucket/prev", "POST " + base + "/preview/complete"}));
        const auto requests = server().requests();
        QCOMPARE(requests[0].jsonObject(),
                 (QJsonObject{{"kind", "thumbnail"}, {"contentType", "image/jpeg"}}));
        QCOMPARE(requests[1].body, QByteArray("thumbnail-jpeg"));
        QCOMPARE(requests[1].header("x-amz-meta-signed"), QByteArray("yes"));
        QVERIFY(!requests[1].header("Authorization"));
        QCOMPARE(requests[2].body, QByteArray("{}"));
        QCOMPARE(requests[3].jsonObject().value("kind"), QJsonValue("preview"));
        QCOMPARE(requests[4].body, QByteArray("preview-jpeg"));
    }

    void failuresEndOnlyTheirRendition() {
        // Signing refused: the thumbnail is dropped, the preview still goes.
        server().enqueue(Reply::json(500, QJsonObject{{"message", "down"}}));
        scriptRendition("prev");
        runJob(recordFor("/p/a.png"), "u1");
        QCOMPARE(server().requestCount(), 4);

        // An answer that is no signed request, then a refused PUT: nothing is completed.
        int from = server().requestCount();
        server().enqueue(Reply::json(200, QJsonArray{}));
        scriptSign("prev");
        server().enqueue(Reply::empty(403));
        runJob(recordFor("/p/b.png"), "u2");
        QCOMPARE(requestLines(from), (QStringList{"POST /api/v1/workspaces/ws1/uploads/u2/previews",
                                                  "POST /api/v1/workspaces/ws1/uploads/u2/previews",
                                                  "PUT /bucket/prev"}));

        // A thumbnail that does not fit its limit is simply left out.
        from = server().requestCount();
        m_renderer->thumbnail.reset();
        scriptRendition("prev");
        runJob(recordFor("/p/c.png"), "u3");
        QCOMPARE(server().requests().value(from).jsonObject().value("kind"), QJsonValue("preview"));
        QCOMPARE(server().requestCount() - from, 3);
    }

    void completionPollsWhileTheServiceAnswers409() {
        // The thumbnail is never found: five calls, 2 s apart, then it is given up silently. The
        // preview is found at the second call.
        scriptSign("thumb");
        server().enqueue(Reply::empty(200));
        for (int i = 0; i < 5; ++i)
            server().enqueue(Reply::json(409, QJsonObject{{"message", "not yet"}}));
        scriptSign("prev");
        server().enqueue(Reply::empty(200));
        server().enqueue(Reply::json(409, QJsonObject{{"message", "not yet"}}));
        server().enqueue(Reply::json(200, QJsonObject{}));
        runJob(recordFor("/p/a.png"), "u1");

        const QStringList lines = requestLines();
        const QString complete = "POST /api/v1/workspaces/ws1/uploads/u1/previews/%1/complete";
        QCOMPARE(lines.count(complete.arg("thumbnail")), 5);
        QCOMPARE(lines.count(complete.arg("preview")), 2);
        QCOMPARE(lines.size(), 11);
        QList<RecordedRequest> completions = server().requests();
        completions.removeIf(
            [](const RecordedRequest& r) { return !r.path().endsWith("/complete"); });
        const auto gaps = gapsBetween(completions);
        // Between the polls of one rendition, not between the two renditions.
        for (const int i : {0, 1, 2, 3, 5})
            QVERIFY2(gaps[i] >= 2s, qPrintable(QString::number(gaps[i].count())));
    }

    void otherFilesGetNoPreviews() {
        m_uploader->enqueue(recordFor("/docs/notes.txt"), "u1");
        m_uploader->enqueue(recordFor("/videos/clip.avi"), "u2");
        Testing::await(m_uploader->lastJob().result());
        QVERIFY(m_renderer->paths().isEmpty());
        QCOMPARE(server().requestCount(), 0);
    }

    void jobsRunOneAfterAnotherInOrder() {
        for (int i = 0; i < 6; ++i)
            scriptRendition(QStringLiteral("r%1").arg(i));
        m_uploader->enqueue(recordFor("/p/first.png"), "u1");
        m_uploader->enqueue(recordFor("/p/second.png"), "u2");
        Testing::await(m_uploader->lastJob().result());
        m_uploader->enqueue(recordFor("/p/third.png"), "u3");
        Testing::await(m_uploader->lastJob().result());

        QCOMPARE(m_renderer->paths(),
                 (QStringList{"/p/first.png", "/p/second.png", "/p/third.png"}));
        const QStringList lines = requestLines();
        QCOMPARE(lines.size(), 18);
        for (int i = 0; i < lines.size(); ++i) {
            if (lines[i].startsWith("POST"))
                QVERIFY2(lines[i].contains(QStringLiteral("/u%1/").arg(i / 6 + 1)),
                         qPrintable(lines[i]));
        }
    }

    void destroyingTheUploaderEndsItsJobs() {
        server().enqueue(Reply::json(200, QJsonObject{}).after(10s));
        m_uploader->enqueue(recordFor("/p/a.png"), "u1");
        m_uploader->enqueue(recordFor("/p/b.png"), "u2");
        const TaskHandle<void> last = m_uploader->lastJob();
        QVERIFY(spinUntil([&] { return server().requestCount() == 1; }));

        m_uploader.reset();
        Testing::await(last.result(), 5s);
        QCOMPARE(server().requestCount(), 1);
    }

private:
    TestHTTPServer& server() { return m_service->fake.server(); }
    void scriptSign(const QString& name) {
        const QString url = server().url("/bucket/" + name).toString();
        server().enqueue(
            Reply::json(200, QJsonObject{{"url", url},
                                         {"headers", QJsonObject{{"x-amz-meta-signed", "yes"}}}}));
    }
    void scriptRendition(const QString& name) {
        scriptSign(name);
        server().enqueue(Reply::empty(200));
        server().enqueue(Reply::json(200, QJsonObject{}));
    }
    void runJob(const UploadRecord& record, const QString& uploadID) {
        m_uploader->enqueue(record, uploadID);
        Testing::await(m_uploader->lastJob().result(), 30s);
    }
    QStringList requestLines(qsizetype from = 0) const {
        QStringList lines;
        for (const auto& request : m_service->fake.server().requests().mid(from))
            lines.append(QString::fromLatin1(request.method) + ' ' + request.path());
        return lines;
    }

    std::unique_ptr<ServiceHarness> m_service;
    std::shared_ptr<ScriptedRenderer> m_renderer;
    std::unique_ptr<PreviewUploader> m_uploader;
};

QTEST_GUILESS_MAIN(tst_PreviewUploader)
#include "tst_PreviewUploader.moc"
