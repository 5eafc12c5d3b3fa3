#include "ModelRig.h"
#include "StatusItemController.h"

#include <QDir>
#include <QProcess>
#include <QScreen>
#include <QStyleHints>
#include <QTest>

using namespace Parcella;

namespace {

void clickAt(QPoint point) {
    QCOMPARE(QProcess::execute("xdotool", {"mousemove", QString::number(point.x()),
                                           QString::number(point.y()), "click", "1"}),
             0);
}

} // namespace

// The status item in a real XEmbed tray on a private X display: the icon is embedded, a click on
// it opens the popover under it and a second click closes it.
class TrayPopoverTest : public QObject {
    Q_OBJECT

    Testing::ModelRig m_rig;
    std::unique_ptr<StatusItemController> m_controller;

private slots:
    void initTestCase() {
        QTRY_VERIFY_WITH_TIMEOUT(QSystemTrayIcon::isSystemTrayAvailable(), 10'000);
        m_controller = std::make_unique<StatusItemController>(m_rig.start());
    }
    void cleanupTestCase() { m_controller.reset(); }

    void clickTogglesThePopoverUnderTheIcon() {
        PopoverWindow& popover = m_controller->popover();
        QCOMPARE(popover.mode(), PopoverWindow::Mode::popover);
        QVERIFY(!popover.isVisible());
        QSystemTrayIcon* tray = m_controller->trayIcon();
        QVERIFY(tray);
        QCOMPARE(tray->toolTip(), "Parcella");
        // Embedded: trayer has moved the icon into its panel at the right end of the top edge.
        QTRY_VERIFY_WITH_TIMEOUT(tray->geometry().x() > 0, 10'000);
        const QRect icon = tray->geometry();

        const QString folder = qEnvironmentVariable("PARCELLA_SCREENSHOTS");
        if (!folder.isEmpty()) {
            QTest::qWait(300); // the tray paints the embedded icon
            const QRect panel(icon.right() - 200, 0, 220, icon.bottom() + 8);
            QDir().mkpath(folder);
            QVERIFY(QGuiApplication::primaryScreen()
                        ->grabWindow(0, panel.x(), panel.y(), panel.width(), panel.height())
                        .scaled(panel.size() * 3)
                        .save(QDir(folder).filePath("tray-panel.png")));
        }

        clickAt(icon.center());
        QTRY_VERIFY(popover.isVisible());
        const QRect placed = popover.geometry();
        QVERIFY(popover.screen()->availableGeometry().contains(placed));
        QVERIFY(placed.top() > icon.bottom());
        QVERIFY(placed.left() <= icon.center().x() && icon.center().x() <= placed.right());

        QTest::keyClick(&popover, Qt::Key_Escape);
        QTRY_VERIFY(!popover.isVisible());
        // A click within the double-click interval of the last one would be a double click.
        const int apart = QGuiApplication::styleHints()->mouseDoubleClickInterval() + 100;
        QTest::qWait(apart);
        clickAt(icon.center());
        QTRY_VERIFY(popover.isVisible());
        QTest::qWait(apart);
        clickAt(icon.center());
        QTRY_VERIFY(!popover.isVisible());
    }

    void iconAndToolTipFollowTheUpload() {
        QSystemTrayIcon* tray = m_controller->trayIcon();
        const qint64 idle = tray->icon().cacheKey();
        QVERIFY(m_rig.signIn());
        // A slow part keeps the upload going long enough to be seen.
        m_rig.addFault(
            {{"method", "PUT"}, {"pathPrefix", "/ws-studio/"}, {"delayMs", 1500}, {"count", 1}});
        m_rig.writeFile("big.bin", 20 * 1024 * 1024);
        m_rig.enqueue({"big.bin"});
        QTRY_VERIFY(tray->toolTip().startsWith("Parcella — "));
        QVERIFY(tray->toolTip().endsWith("\u00A0%"));
        QVERIFY(tray->icon().cacheKey() != idle);
        QTRY_COMPARE_WITH_TIMEOUT(tray->toolTip(), "Parcella", 30'000);
        QCOMPARE(tray->icon().cacheKey(), idle);
    }
};

QTEST_MAIN(TrayPopoverTest)
#include "tst_TrayPopover.moc"
