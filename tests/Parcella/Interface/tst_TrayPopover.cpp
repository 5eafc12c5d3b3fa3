#include "ModelRig.h"
#include "StatusItemController.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>
#include <QStyleHints>
#include <QTest>

using namespace Parcella;

namespace {

const QString watcher = QStringLiteral("org.kde.StatusNotifierWatcher");

void clickAt(QPoint point) {
    QCOMPARE(QProcess::execute("xdotool", {"mousemove", QString::number(point.x()),
                                           QString::number(point.y()), "click", "1"}),
             0);
}

// A call over the bus from another process, as the tray host makes it; this process answers it,
// so its event loop keeps running meanwhile. Answers in GVariant text.
QString gdbus(const QString& service, const QString& path, const QString& method,
              const QStringList& arguments) {
    QProcess call;
    call.start("gdbus", QStringList{"call", "--session", "--dest", service, "--object-path", path,
                                    "--method", method} +
                            arguments);
    // A call that does not end in time answers nothing, which fails the caller's check.
    if (!QTest::qWaitFor([&] { return call.state() == QProcess::NotRunning; }, 10'000))
        return {};
    return QString::fromUtf8(call.readAllStandardOutput());
}

// The StatusNotifierItem that the Xfce panel's watcher has registered.
struct Item {
    QString service;
    QString path;

    static std::optional<Item> registered() {
        const auto found = QRegularExpression("'([^'/]+)(/[^']*)'")
                               .match(gdbus(watcher, "/StatusNotifierWatcher",
                                            "org.freedesktop.DBus.Properties.Get",
                                            {watcher, "RegisteredStatusNotifierItems"}));
        return found.hasMatch() ? std::optional(Item{found.captured(1), found.captured(2)})
                                : std::nullopt;
    }
    QString property(const QString& name) const {
        return gdbus(service, path, "org.freedesktop.DBus.Properties.Get",
                     {"org.kde.StatusNotifierItem", name});
    }
    // (icon name, icon pixmaps, title, text): the title is the tool tip.
    QString toolTip() const {
        return QRegularExpression("'([^']*)', '[^']*'\\)>").match(property("ToolTip")).captured(1);
    }
    void activate() const {
        gdbus(service, path, "org.kde.StatusNotifierItem.Activate", {"0", "0"});
    }
};

int notificationsShown() {
    QProcess dunstctl;
    dunstctl.start("dunstctl", {"count", "displayed"});
    return dunstctl.waitForFinished(10'000) ? dunstctl.readAllStandardOutput().trimmed().toInt()
                                            : -1;
}

} // namespace

// The status item in a real tray on a private X display: trayer embeds it the XEmbed way, an Xfce
// panel hosts it as a StatusNotifierItem (see with-tray.sh). Either way the icon shows, the
// primary action toggles the popover, and the icon and tool tip follow an upload whose link then
// sits on the clipboard. Where no tray exists (a bare X display) or windows cannot place
// themselves (Wayland, under weston), the popover is an ordinary window instead.
class TrayPopoverTest : public QObject {
    Q_OBJECT

    Testing::ModelRig m_rig;
    int m_quits = 0;
    std::unique_ptr<StatusItemController> m_controller;
    const bool m_hasTray = qEnvironmentVariableIsSet("PARCELLA_TEST_TRAY");
    // Set when the tray hosts StatusNotifierItems; XEmbed otherwise.
    std::optional<Item> m_item;

    QString shownToolTip() const {
        return m_item ? m_item->toolTip() : m_controller->trayIcon()->toolTip();
    }
    QString shownIcon() const {
        return m_item ? m_item->property("IconPixmap")
                      : QString::number(m_controller->trayIcon()->icon().cacheKey());
    }

private slots:
    void initTestCase() {
        if (m_hasTray)
            QTRY_VERIFY_WITH_TIMEOUT(QSystemTrayIcon::isSystemTrayAvailable(), 10'000);
        m_controller = std::make_unique<StatusItemController>(m_rig.start(), [this] { ++m_quits; });
        if (!m_hasTray)
            return;
        if (QDBusConnection::sessionBus().interface()->isServiceRegistered(watcher)) {
            QTRY_VERIFY_WITH_TIMEOUT((m_item = Item::registered()).has_value(), 10'000);
        } else {
            // Embedded: trayer has moved the icon into its panel at the right end of the top edge.
            QTRY_VERIFY_WITH_TIMEOUT(m_controller->trayIcon()->geometry().x() > 0, 10'000);
        }
        QCOMPARE(shownToolTip(), "Parcella");
    }
    void cleanupTestCase() { m_controller.reset(); }

    void primaryActionTogglesThePopover() {
        if (!m_hasTray)
            QSKIP("No tray here");
        PopoverWindow& popover = m_controller->popover();
        QCOMPARE(popover.mode(), PopoverWindow::Mode::popover);
        QVERIFY(!popover.isVisible());

        const QString folder = qEnvironmentVariable("PARCELLA_SCREENSHOTS");
        if (!folder.isEmpty()) {
            QTest::qWait(500); // the tray paints the icon
            const QRect screen = QGuiApplication::primaryScreen()->geometry();
            const QRect panel(screen.right() - 220, 0, 220, 30);
            QDir().mkpath(folder);
            QVERIFY(
                QGuiApplication::primaryScreen()
                    ->grabWindow(0, panel.x(), panel.y(), panel.width(), panel.height())
                    .scaled(panel.size() * 3)
                    .save(QDir(folder).filePath(m_item ? "tray-panel-sni.png" : "tray-panel.png")));
        }

        if (m_item) {
            m_item->activate();
            QTRY_VERIFY(popover.isVisible());
            m_item->activate();
            QTRY_VERIFY(!popover.isVisible());
            return;
        }
        const QRect icon = m_controller->trayIcon()->geometry();
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

    void iconAndToolTipFollowTheUploadAndTheLinkIsCopied() {
        if (!m_hasTray)
            QSKIP("No tray here");
        const QString idle = shownIcon();
        QVERIFY(m_rig.signIn());
        // A slow part keeps the upload going long enough to be seen.
        m_rig.addFault(
            {{"method", "PUT"}, {"pathPrefix", "/ws-studio/"}, {"delayMs", 3000}, {"count", 1}});
        m_rig.enqueue({"big.bin"}, 20 * 1024 * 1024);
        // Each read over the bus lets the upload move on: both must hold while it runs.
        QString tip;
        QTRY_VERIFY((tip = shownToolTip()).startsWith("Parcella — ") && shownIcon() != idle);
        QVERIFY(tip.contains("\u00A0%"));
        QTRY_COMPARE_WITH_TIMEOUT(shownToolTip(), "Parcella", 30'000);
        QCOMPARE(shownIcon(), idle);

        const auto created = m_rig.sendAndWait({});
        QVERIFY(created && created->url);
        // This process serves the selection, so xclip must not be waited for blockingly.
        QProcess xclip;
        xclip.start("xclip", {"-o", "-selection", "clipboard"});
        QTRY_COMPARE(xclip.state(), QProcess::NotRunning);
        QCOMPARE(xclip.readAllStandardOutput(), created->url->toString(QUrl::FullyEncoded));
    }

    void withoutTrayClosingTheWindowQuitsUnlessUploadsRun() {
        if (m_hasTray)
            QSKIP("A tray here");
        PopoverWindow& window = m_controller->popover();
        QCOMPARE(window.mode(), PopoverWindow::Mode::window);
        QCOMPARE(window.size(), QSize(360, 560));
        QVERIFY(!m_controller->trayIcon());
        QTRY_VERIFY(window.isExposed());
        window.close();
        QCOMPARE(m_quits, 1);

        QVERIFY(m_rig.signIn());
        // Offline, the upload waits for the network for as long as the test needs.
        m_rig.network->signal().setOnline(false);
        m_rig.enqueue({"big.bin"}, 8 * 1024 * 1024);
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

QTEST_MAIN(TrayPopoverTest)
#include "tst_TrayPopover.moc"
