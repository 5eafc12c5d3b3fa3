#include "ArtworkFit.h"
#include "SignInIllustration.h"
#include "TrayIconPainter.h"

#include <QDir>
#include <QPainter>
#include <QTest>

#include <cmath>

using namespace Parcella;

namespace {

const TrayIconPainter painter({Qt::black, Qt::white});

QColor sample(const QImage& image, QPointF point) {
    const qreal ratio = image.devicePixelRatio();
    return image.pixelColor(int(point.x() * ratio), int(point.y() * ratio));
}

// The extreme lightness of the icon laid on a uniform panel.
int extremeLightness(const QImage& icon, QColor panel, bool darkest) {
    QImage shown(icon.size(), QImage::Format_ARGB32_Premultiplied);
    shown.fill(panel);
    QPainter(&shown).drawImage(QPoint(), icon);
    int extreme = panel.lightness();
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x) {
            const int l = shown.pixelColor(x, y).lightness();
            extreme = darkest ? std::min(extreme, l) : std::max(extreme, l);
        }
    return extreme;
}

void verifyLegibleOnAnyPanel(const QImage& icon) {
    QVERIFY2(extremeLightness(icon, Qt::white, true) < 60, "invisible on a light panel");
    QVERIFY2(extremeLightness(icon, Qt::black, false) > 160, "invisible on a dark panel");
}

} // namespace

class TrayIconPainterTest : public QObject {
    Q_OBJECT

private slots:
    void fitsDesignCentred_data() {
        QTest::addColumn<QRectF>("design");
        QTest::addColumn<QSizeF>("canvas");
        QTest::addColumn<qreal>("scale");
        QTest::addColumn<QPointF>("topLeft");
        // The sign-in illustration's scene, and the tray mark.
        const QRectF scene = SignInIllustration::designRect;
        QTest::newRow("wider canvas") << scene << QSizeF(544, 208) << 1.0 << QPointF(136, 0);
        QTest::newRow("taller canvas") << scene << QSizeF(272, 416) << 1.0 << QPointF(0, 104);
        QTest::newRow("half size") << scene << QSizeF(136, 104) << 0.5 << QPointF(0, 0);
        QTest::newRow("mark in 21 × 16") << QRectF(0, 0, 166.2, 120) << QSizeF(21, 16) << 21 / 166.2
                                         << QPointF(0, (16 - 120 * 21 / 166.2) / 2);
    }
    void fitsDesignCentred() {
        QFETCH(QRectF, design);
        QFETCH(QSizeF, canvas);
        QFETCH(qreal, scale);
        QFETCH(QPointF, topLeft);
        const QTransform fit = fitDesign(design, canvas);
        QCOMPARE(fit.m11(), scale);
        QCOMPARE(fit.m22(), scale);
        QCOMPARE(fit.map(design.topLeft()), topLeft);
        const QPointF bottomRight = fit.map(design.bottomRight());
        QCOMPARE(canvas.width() - bottomRight.x(), topLeft.x());
        QCOMPARE(canvas.height() - bottomRight.y(), topLeft.y());
    }

    void idleGlyphAtEverySize_data() {
        QTest::addColumn<int>("side");
        QTest::addColumn<qreal>("ratio");
        for (int side : TrayIconPainter::iconSizes)
            for (qreal ratio : {1.0, 2.0})
                QTest::addRow("%d px @%gx", side, ratio) << side << ratio;
    }
    void idleGlyphAtEverySize() {
        QFETCH(int, side);
        QFETCH(qreal, ratio);
        const QImage glyph = painter.idleGlyph(QSize(side, side), ratio);
        QCOMPARE(glyph.size(), QSize(side, side) * ratio);
        QCOMPARE(glyph.devicePixelRatio(), ratio);

        // Top faces' centres in design units: the tall third block and the front block.
        const QTransform fit = fitDesign(QRectF(0, 0, 166.2, 120), QSizeF(side, side));
        const QColor light = sample(glyph, fit.map(QPointF(41.5, 38)));
        const QColor front = sample(glyph, fit.map(QPointF(83.1, 74)));
        QCOMPARE_LT(std::abs(light.alphaF() - 0.2), 0.06);
        QCOMPARE_LT(std::abs(front.alphaF() - 0.55), 0.06);
        QCOMPARE(front.lightness(), 0);

        // Centred: as much empty space above the mark as below it.
        int top = -1, bottom = -1;
        for (int y = 0; y < glyph.height(); ++y)
            for (int x = 0; x < glyph.width(); ++x)
                if (glyph.pixelColor(x, y).alpha() > 0) {
                    top = top < 0 ? y : top;
                    bottom = y;
                }
        QVERIFY(top > 0);
        QVERIFY(std::abs(top - (glyph.height() - 1 - bottom)) <= 1);
        verifyLegibleOnAnyPanel(glyph);
    }

    void progressRingFillsClockwiseFromTop_data() {
        QTest::addColumn<double>("fraction");
        QTest::addColumn<int>("degrees"); // clockwise from twelve o'clock
        QTest::addColumn<bool>("filled");
        QTest::newRow("quarter, upper right") << 0.25 << 45 << true;
        QTest::newRow("quarter, lower right") << 0.25 << 135 << false;
        QTest::newRow("41.6 %, lower right") << 0.416 << 135 << true;
        QTest::newRow("41.6 %, lower left") << 0.416 << 225 << false;
        QTest::newRow("none") << 0.0 << 10 << false;
        QTest::newRow("all") << 1.0 << 300 << true;
        QTest::newRow("beyond all, clamped") << 1.7 << 300 << true;
        QTest::newRow("below none, clamped") << -0.5 << 10 << false;
    }
    void progressRingFillsClockwiseFromTop() {
        QFETCH(double, fraction);
        QFETCH(int, degrees);
        QFETCH(bool, filled);
        for (int side : {16, 32})
            for (qreal ratio : {1.0, 2.0}) {
                const QImage ring = painter.progressRing(QSize(side, side), ratio, fraction);
                const qreal radius = (side - 5.0 * side / 16) / 2;
                const qreal angle = qDegreesToRadians(qreal(degrees));
                const QPointF point(side / 2.0 + radius * std::sin(angle),
                                    side / 2.0 - radius * std::cos(angle));
                const QColor seen = sample(ring, point);
                const QString where = QStringLiteral("%1 px @%2x: alpha %3, lightness %4")
                                          .arg(side)
                                          .arg(ratio)
                                          .arg(seen.alphaF())
                                          .arg(seen.lightness());
                QVERIFY2(seen.alphaF() > 0.95, qPrintable(where));
                QVERIFY2(filled ? seen.lightness() < 40 : seen.lightness() > 150,
                         qPrintable(where));
                if (fraction > 0) // the empty ring is only the faint track, by design
                    verifyLegibleOnAnyPanel(ring);
            }
    }

    // With PARCELLA_SCREENSHOTS set: a sheet of the icons on a light and a dark panel, magnified.
    void keepsPictureOfIcons() {
        const QString folder = qEnvironmentVariable("PARCELLA_SCREENSHOTS");
        if (folder.isEmpty())
            QSKIP("no picture asked for");
        const int zoom = 4, cell = 36;
        QImage sheet(QSize(8 * cell, 2 * cell) * zoom, QImage::Format_ARGB32_Premultiplied);
        QPainter canvas(&sheet);
        canvas.scale(zoom, zoom);
        const std::pair<QColor, QColor> panels[] = {{QColor(239, 239, 239), Qt::black},
                                                    {QColor(35, 35, 35), QColor(235, 235, 235)}};
        for (int row = 0; row < 2; ++row) {
            const auto [panel, ink] = panels[row];
            canvas.fillRect(QRect(0, row * cell, 8 * cell, cell), panel);
            const TrayIconPainter themed(
                {ink, QColor(panel.red(), panel.green(), panel.blue(), 190)});
            int column = 0;
            for (int side : {16, 22, 24, 32})
                canvas.drawImage(QPoint(column++ * cell + 2, row * cell + 2),
                                 themed.idleGlyph(QSize(side, side), side == 32 ? 2 : 1));
            for (double fraction : {0.0, 0.25, 0.416, 1.0})
                canvas.drawImage(QPoint(column++ * cell + 2, row * cell + 2),
                                 themed.progressRing(QSize(32, 32), 2, fraction));
        }
        canvas.end();
        QDir().mkpath(folder);
        QVERIFY(sheet.save(QDir(folder).filePath("tray-icons.png")));
    }
};

QTEST_MAIN(TrayIconPainterTest)
#include "tst_TrayIconPainter.moc"
