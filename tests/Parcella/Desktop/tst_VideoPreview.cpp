// Video previews from a real clip that Debian's ffmpeg makes at test time: the first frames
// become the preview and the thumbnail, scaled down only, with the clip's own colours.
#include "PicturePreviewRenderer.h"

#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

using namespace ParcelKit;

class tst_VideoPreview : public QObject {
    Q_OBJECT

private slots:
    void clipGivesPreviewAndThumbnail_data();
    void clipGivesPreviewAndThumbnail();

private:
    QTemporaryDir m_dir;
};

void tst_VideoPreview::clipGivesPreviewAndThumbnail_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QSize>("frame");
    QTest::addColumn<QSize>("thumbnail");
    QTest::addColumn<QSize>("preview");
    QTest::newRow("small mp4") << "clip.mp4" << QSize(320, 240) << QSize(320, 240)
                               << QSize(320, 240);
    QTest::newRow("wide webm") << "clip.webm" << QSize(1280, 320) << QSize(400, 100)
                               << QSize(1280, 320);
}

void tst_VideoPreview::clipGivesPreviewAndThumbnail() {
    QFETCH(QString, name);
    QFETCH(QSize, frame);
    QFETCH(QSize, thumbnail);
    QFETCH(QSize, preview);
    const QString path = m_dir.filePath(name);
    const QColor colour(0x33, 0x66, 0xcc);
    QProcess ffmpeg;
    ffmpeg.start(
        QStringLiteral("ffmpeg"),
        {"-hide_banner", "-loglevel", "error", "-y", "-f", "lavfi", "-i",
         QStringLiteral("color=c=0x3366cc:s=%1x%2:d=2:r=10").arg(frame.width()).arg(frame.height()),
         path});
    QVERIFY2(ffmpeg.waitForFinished(60000) && ffmpeg.exitCode() == 0,
             ffmpeg.readAllStandardError().constData());

    const auto renditions =
        PicturePreviewRenderer().render(path, {PreviewKind::thumbnail(), PreviewKind::preview()});
    QCOMPARE(renditions.size(), 2);
    const QList<QSize> sizes{thumbnail, preview};
    for (int i = 0; i < 2; ++i) {
        QVERIFY(renditions[i]);
        const QImage image = QImage::fromData(*renditions[i], "JPEG");
        QCOMPARE(image.size(), sizes[i]);
        const QColor centre = image.pixelColor(image.width() / 2, image.height() / 2);
        QVERIFY2(std::abs(centre.red() - colour.red()) < 16 &&
                     std::abs(centre.green() - colour.green()) < 16 &&
                     std::abs(centre.blue() - colour.blue()) < 16,
                 qPrintable(centre.name()));
    }
}

QTEST_GUILESS_MAIN(tst_VideoPreview)
#include "tst_VideoPreview.moc"
