#include "ModelRig.h"
#include "StatusItemController.h"

#include <QProcess>
#include <QTest>

using namespace Parcella;

namespace {

int notificationsShown() {
    QProcess dunstctl;
    dunstctl.start("dunstctl", {"count", "displayed"});
    return dunstctl.waitForFinished(10'000) ? dunstctl.readAllStandardOutput().trimmed().toInt()
                                            : -1;
}

} // namespace

// Where no tray exists (a bare X display) or windows cannot place themselves (Wayland, under
// weston), the popover is an ordinary window: shown at start and when Parcella is started again;
// closing it quits Parcella, unless an upload runs, which a notification mentions once.
class PopoverWindowTest : public QObject {
    Q_OBJECT

    Testing::ModelRig m_rig;
    int m_quits = 0;
    std::unique_ptr<StatusItemController> m_controller;

private slots:
    void initTestCase() {
        m_controller = std::make_unique<StatusItemController>(m_rig.start(), [this] { ++m_quits; });
    }
    void cleanupTestCase() { m_controller.reset(); }

    void closingQuitsUnlessUploadsRun() {
        PopoverWindow& window = m_controller->popover();
        QCOMPARE(window.mode(), PopoverWindow::Mode::window);
        QVERIFY(!m_controller->trayIcon());
        QTRY_VERIFY(window.isExposed());
        window.close();
        QCOMPARE(m_quits, 1);

        QVERIFY(m_rig.signIn());
        // Offline, the upload waits for the network for as long as the test needs.
        m_rig.network->signal().setOnline(false);
        m_rig.writeFile("big.bin", 8 * 1024 * 1024);
        m_rig.enqueue({"big.bin"});
        QTRY_VERIFY(m_rig.model->isUploading());
        for (int close = 0; close < 2; ++close) {
            m_rig.model->showPopover(); // what starting Parcella again does
            QTRY_VERIFY(window.isExposed());
            QTest::keyClick(&window, Qt::Key_Escape); // closes an ordinary window
            QTRY_VERIFY(!window.isVisible());
        }
        QVERIFY(m_rig.model->isUploading());
        QCOMPARE(m_quits, 1);
        QTRY_COMPARE(notificationsShown(), 1);
        QTest::qWait(500); // a second notification would have arrived by now
        QCOMPARE(notificationsShown(), 1);
    }
};

QTEST_MAIN(PopoverWindowTest)
#include "tst_PopoverWindow.moc"
