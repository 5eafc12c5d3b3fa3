// The preview pictures: one source picture per file (images upright and at most 2000 pixels,
// the first page of a PDF, the first frame of a video), JPEG renditions scaled down only, on white,
// within their byte limits.
#include "JpegRendition.h"
#include "PicturePreviewRenderer.h"
#include "SourcePicture.h"

#include <QFile>
#include <QImageWriter>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtConcurrent>
#include <QtTest>

using namespace ParcelKit;

namespace {

const QList<PreviewKind> bothKinds{PreviewKind::thumbnail(), PreviewKind::preview()};

QImage decoded(const std::optional<QByteArray>& jpeg) {
    return jpeg ? QImage::fromData(*jpeg, "JPEG") : QImage();
}

bool isNearly(QRgb pixel, QColor expected) {
    const int tolerance = 12;
    return std::abs(qRed(pixel) - expected.red()) <= tolerance &&
           std::abs(qGreen(pixel) - expected.green()) <= tolerance &&
           std::abs(qBlue(pixel) - expected.blue()) <= tolerance;
}

QImage noise(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    QRandomGenerator random(7);
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x)
            line[x] = random.generate() | 0xff000000u;
    }
    return image;
}

} // namespace

class tst_PreviewRenderer : public QObject {
    Q_OBJECT

private slots:

    void renditionsAreOnlyScaledDown() {
        // Source, thumbnail and preview sizes.
        for (const auto& [source, thumbnail, preview] : QList<std::tuple<QSize, QSize, QSize>>{
                 {QSize(100, 50), QSize(100, 50), QSize(100, 50)},
                 {QSize(4000, 1000), QSize(400, 100), QSize(2000, 500)},
                 {QSize(1000, 4000), QSize(100, 400), QSize(500, 2000)},
                 {QSize(1, 3000), QSize(1, 400), QSize(1, 2000)}}) {
            QImage image(source, QImage::Format_RGB32);
            image.fill(QColor(40, 120, 200));
            const QString path = write(QStringLiteral("picture.png"), image);
            QVERIFY(!path.isEmpty());

            // The uploader renders on a background thread; so does this test.
            auto rendering = [this, path] { return m_renderer.render(path, bothKinds); };
            const auto jpegs = QtConcurrent::run(rendering).result();
            QCOMPARE(jpegs.size(), 2);
            QCOMPARE(decoded(jpegs[0]).size(), thumbnail);
            QCOMPARE(decoded(jpegs[1]).size(), preview);
            QVERIFY(jpegs[0]->startsWith("\xFF\xD8"));
        }
    }

    void transparencyBecomesWhite() {
        QImage image(200, 200, QImage::Format_ARGB32);
        image.fill(Qt::transparent);
        for (int y = 80; y < 120; ++y) {
            for (int x = 80; x < 120; ++x)
                image.setPixel(x, y, qRgba(220, 0, 0, 255));
        }
        const QString path = write(QStringLiteral("transparent.png"), image);

        const auto jpegs = m_renderer.render(path, bothKinds);
        QCOMPARE(jpegs.size(), 2);
        for (const auto& jpeg : jpegs) {
            const QImage rendition = decoded(jpeg);
            QCOMPARE(rendition.size(), QSize(200, 200));
            QVERIFY(isNearly(rendition.pixel(5, 5), Qt::white));
            QVERIFY(isNearly(rendition.pixel(190, 10), Qt::white));
            QVERIFY(isNearly(rendition.pixel(100, 100), QColor(220, 0, 0)));
        }
    }

    void qualityFallsBackUnderTheByteLimit() {
        // Noise compresses badly, so every quality step makes a clearly smaller file.
        const QImage picture = noise(300, 300);
        const QImage canvas = JpegRendition::canvas(picture, 400);
        const auto at80 = JpegRendition::jpeg(canvas, 80);
        const auto at60 = JpegRendition::jpeg(canvas, 60);
        const auto at40 = JpegRendition::jpeg(canvas, 40);
        QVERIFY(at80 && at60 && at40);
        QVERIFY(at80->size() > at60->size() && at60->size() > at40->size());

        auto limited = [&picture](qint64 limit) {
            return JpegRendition::encode(picture, {QStringLiteral("thumbnail"), 400, limit});
        };
        QCOMPARE(limited(at80->size()), at80);
        QCOMPARE(limited(at80->size() - 1), at60);
        QCOMPARE(limited(at60->size() - 1), at40);
        QCOMPARE(limited(at40->size() - 1), std::nullopt);
    }

    void orientationIsApplied() {
        QImage image(200, 100, QImage::Format_RGB32);
        image.fill(Qt::blue);
        const QString path = m_dir.filePath(QStringLiteral("rotated.jpg"));
        QImageWriter writer(path, "jpeg");
        if (!writer.supportsOption(QImageIOHandler::ImageTransformation))
            QSKIP("this JPEG writer cannot record an orientation");
        writer.setTransformation(QImageIOHandler::TransformationRotate90);
        QVERIFY(writer.write(image));

        const QImage picture = SourcePicture::load(path, PreviewRenderer::sourcePixels);
        QCOMPARE(picture.size(), QSize(100, 200));
    }

    void pdfGivesItsFirstPage() {
        const QString path = m_dir.filePath(QStringLiteral("document.pdf"));
        {
            QPdfWriter pdf(path);
            pdf.setPageSize(QPageSize(QPageSize::A4));
            pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
            QPainter painter(&pdf);
            painter.fillRect(QRect(QPoint(0, 0), QSize(pdf.width(), pdf.height())), Qt::red);
            pdf.newPage();
            painter.fillRect(QRect(QPoint(0, 0), QSize(pdf.width(), pdf.height())), Qt::blue);
        }

        const QImage picture = SourcePicture::load(path, PreviewRenderer::sourcePixels);
        QCOMPARE(picture.height(), 2000);
        QVERIFY(qAbs(picture.width() - 1414) <= 2);
        QVERIFY(isNearly(picture.pixel(picture.width() / 2, picture.height() / 2), Qt::red));

        const auto jpegs = m_renderer.render(path, bothKinds);
        QCOMPARE(jpegs.size(), 2);
        QCOMPARE(decoded(jpegs[0]).height(), 400);
        QCOMPARE(decoded(jpegs[1]).height(), 2000);
    }

    void filesWithoutAPictureGiveNothing() {
        const QList<std::pair<QString, QByteArray>> files{
            {QStringLiteral("notes.txt"), "just words"},
            {QStringLiteral("broken.png"), "not a PNG at all"},
            {QStringLiteral("broken.pdf"), "%PDF-1.4 torn"},
            {QStringLiteral("clip.mp4"), QByteArray(4096, '\x42')},
            {QStringLiteral("missing.png"), {}},
        };
        for (const auto& [name, bytes] : files) {
            const QString path = m_dir.filePath(name);
            if (!bytes.isNull()) {
                QFile file(path);
                QVERIFY(file.open(QIODevice::WriteOnly));
                file.write(bytes);
            }
            QVERIFY2(m_renderer.render(path, bothKinds).isEmpty(), qPrintable(name));
        }
    }

    void videoClipGivesItsFirstFrame_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QSize>("frame");
        QTest::addColumn<QSize>("thumbnail");
        QTest::newRow("small mp4") << "clip.mp4" << QSize(320, 240) << QSize(320, 240);
        QTest::newRow("wide webm") << "clip.webm" << QSize(1280, 320) << QSize(400, 100);
    }

    // A real clip that Debian's ffmpeg makes at test time, of one colour.
    void videoClipGivesItsFirstFrame() {
        QFETCH(QString, name);
        QFETCH(QSize, frame);
        QFETCH(QSize, thumbnail);
        const QString path = m_dir.filePath(name);
        QProcess ffmpeg;
        ffmpeg.start(QStringLiteral("ffmpeg"),
                     {"-hide_banner", "-loglevel", "error", "-y", "-f", "lavfi", "-i",
                      QStringLiteral("color=c=0x3366cc:s=%1x%2:d=2:r=10")
                          .arg(frame.width())
                          .arg(frame.height()),
                      path});
        QVERIFY2(ffmpeg.waitForFinished(60000) && ffmpeg.exitCode() == 0,
                 ffmpeg.readAllStandardError().constData());

        const auto jpegs = m_renderer.render(path, bothKinds);
        QCOMPARE(jpegs.size(), 2);
        const QList<QSize> sizes{thumbnail, frame};
        for (int i = 0; i < 2; ++i) {
            const QImage image = decoded(jpegs[i]);
            QCOMPARE(image.size(), sizes[i]);
            QVERIFY(isNearly(image.pixel(image.width() / 2, image.height() / 2), QColor(0x3366cc)));
        }
    }

private:
    QString write(const QString& name, const QImage& image, const char* format = "PNG") {
        const QString path = m_dir.filePath(name);
        if (!image.save(path, format))
            return {};
        return path;
    }

    QTemporaryDir m_dir;
    PicturePreviewRenderer m_renderer;
};

// Without a GUI application, as the command-line client renders.
QTEST_GUILESS_MAIN(tst_PreviewRenderer)
#include "tst_PreviewRenderer.moc"
