#include "ModelRig.h"
#include "StatusItemController.h"
#include "TestSupport.h"
#include "Updater.h"

#include <QDir>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QSignalSpy>
#include <QTest>

using namespace Parcella;

namespace {

// Repeaters' rows have no QObject parent, so the visual tree is searched too.
QList<QQuickItem*> itemsNamed(QQuickItem* root, const QString& name) {
    QList<QQuickItem*> found;
    if (root->objectName() == name)
        found.append(root);
    for (QQuickItem* child : root->childItems())
        found.append(itemsNamed(child, name));
    return found;
}

// Visible on screen: the item and every ancestor.
bool shown(const QQuickItem* item) {
    for (; item; item = item->parentItem())
        if (!item->isVisible())
            return false;
    return true;
}

// Set PARCELLA_SCREENSHOTS to a folder to keep pictures of the screens passed through.
void keepPicture(QQuickWindow& window, const QString& name) {
    const QString folder = qEnvironmentVariable("PARCELLA_SCREENSHOTS");
    if (folder.isEmpty())
        return;
    QTest::qWait(100); // lets the scene settle before it is grabbed
    QDir().mkpath(folder);
    QVERIFY(window.grabWindow().save(QDir(folder).filePath(name + ".png")));
}

} // namespace

class PopoverViewTest : public QObject {
    Q_OBJECT

    QQuickItem* item(const QString& name) {
        const auto items = itemsNamed(m_controller->popover().rootObject(), name);
        return items.isEmpty() ? nullptr : items.first();
    }
    // Which of the settings menu's entries `names` it shows when opened; nothing when it does not
    // open. `picture` names a picture of it, open.
    std::optional<QStringList> menuShows(const QStringList& names, const QString& picture = {}) {
        QObject* root = m_controller->popover().rootObject();
        QObject* menu = root->findChild<QObject*>("settingsMenu");
        QMetaObject::invokeMethod(menu, "open");
        if (!QTest::qWaitFor([menu] { return menu->property("opened").toBool(); }))
            return std::nullopt;
        QStringList visible;
        for (const QString& name : names)
            if (root->findChild<QObject*>(name)->property("visible").toBool())
                visible.append(name);
        if (!picture.isEmpty())
            keepPicture(m_controller->popover(), picture);
        QMetaObject::invokeMethod(menu, "close");
        if (!QTest::qWaitFor([menu] { return !menu->property("visible").toBool(); }))
            return std::nullopt;
        return visible;
    }
    // The transfer row's menu, opened from its button.
    QObject* openTransferMenu(QQuickItem* row) {
        QMetaObject::invokeMethod(row, "openMenu",
                                  Q_ARG(QVariant, QVariant::fromValue(item("moreActionsButton"))));
        auto* menu = row->property("actionsMenu").value<QObject*>();
        if (!menu || !QTest::qWaitFor([menu] { return menu->property("opened").toBool(); }))
            return nullptr;
        return menu;
    }
    QString transferStatus() { return item("transferStatus")->property("text").toString(); }

    const QStringList m_accountEntries{"userNameItem", "userEmailItem", "signOutItem"};
    Testing::ModelRig m_rig;
    std::unique_ptr<Updater> m_updater;
    std::unique_ptr<StatusItemController> m_controller;

private slots:
    void initTestCase() {
        if (qEnvironmentVariableIsSet("PARCELLA_DARK")) {
            // What a dark desktop theme hands the application.
            QPalette dark(QColor(55, 55, 55), QColor(40, 40, 40));
            for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
                dark.setColor(role, QColor(235, 235, 235));
            dark.setColor(QPalette::Base, QColor(30, 30, 30));
            QGuiApplication::setPalette(dark);
        }
        AppModel& model = m_rig.start();
        UpdaterSetup setup;
        setup.runningVersion = QVersionNumber(0, 1, 0);
        setup.settings = m_rig.settings;
        setup.firstCheckDelay = std::chrono::hours(24);
        m_updater = std::make_unique<Updater>(model, setup);
        m_controller = std::make_unique<StatusItemController>(model, m_updater.get());
    }
    void cleanupTestCase() {
        m_controller.reset();
        m_updater.reset();
    }

    void withoutTrayIsAnOrdinaryWindowShownAtOnce() {
        if (QSystemTrayIcon::isSystemTrayAvailable())
            QSKIP("a tray host is running");
        PopoverWindow& popover = m_controller->popover();
        QCOMPARE(popover.mode(), PopoverWindow::Mode::window);
        QVERIFY(popover.isVisible());
        QCOMPARE(popover.size(), QSize(360, 560));
        QVERIFY(popover.rootObject());
        QTest::keyClick(&popover, Qt::Key_Escape);
        QVERIFY(!popover.isVisible());
        m_rig.model->showPopover();
        QVERIFY(popover.isVisible());
    }

    void signInSwitchesScreensAndMenu() {
        QVERIFY(shown(item("signedOutView")));
        QVERIFY(!shown(item("signedInView")));
        QCOMPARE(item("signInButton")->property("text").toString(), "Sign in");
        QCOMPARE(menuShows(m_accountEntries), std::optional(QStringList()));
        keepPicture(m_controller->popover(), "signed-out");

        QVERIFY(m_rig.signIn());
        QTRY_VERIFY(shown(item("signedInView")));
        QVERIFY(!shown(item("signedOutView")));
        QCOMPARE(menuShows(m_accountEntries, "settings-menu"), std::optional(m_accountEntries));
        // One workspace shows its name, several the picker.
        const bool several = m_rig.model->me()->workspaces.size() > 1;
        QCOMPARE(shown(item("workspacePicker")), several);
        QCOMPARE(shown(item("workspaceName")), !several);
        QVERIFY(shown(item("dropZone")));
    }

    void uploadsAreListedWithTheirStatus() {
        const QString longName = "holiday-photos-from-the-long-summer-in-the-mountains-2024.zip";
        m_rig.writeFile(longName, 2'000'000);
        m_rig.writeFile("notes.txt", 0);
        m_rig.enqueue({longName, "notes.txt"});
        QTRY_COMPARE(itemsNamed(m_controller->popover().rootObject(), "uploadRow").size(), 2);
        QVERIFY(!shown(item("dropZone")));
        QCOMPARE(item("filesLine")->property("text").toString(), "2 files · 2.0 MB");
        const auto statuses = [this] {
            QStringList texts;
            for (QQuickItem* status :
                 itemsNamed(m_controller->popover().rootObject(), "uploadStatus"))
                texts.append(status->property("text").toString());
            return texts;
        };
        QTRY_COMPARE(statuses(), QStringList({"Uploaded · 2.0 MB", "Uploaded · Zero KB"}));
        QCOMPARE(shown(item("removeUploadButton")), true);
        QCOMPARE(shown(item("cancelUploadButton")), false);
        keepPicture(m_controller->popover(), "signed-in-files");
    }

    void sentTransferIsListedWithItsStatus() {
        m_rig.model->setWelcoming(false);
        QVERIFY(shown(item("noTransfers")));
        SendForm form;
        form.subject = QStringLiteral("Summer photos");
        QVERIFY(m_rig.sendAndWait(form));
        QTRY_VERIFY(shown(item("transferRow")));
        QVERIFY(!shown(item("noTransfers")));
        QCOMPARE(item("transferName")->property("text").toString(), "Summer photos");
        QVERIFY(item("transferStatus")
                    ->property("text")
                    .toString()
                    .startsWith("0 downloads · 0 views · until "));
        QVERIFY(shown(item("copyLinkButton")));
        keepPicture(m_controller->popover(), "signed-in-transfer");

        // A longer expiry, from the menu's submenu.
        QQuickItem* row = item("transferRow");
        QObject* menu = openTransferMenu(row);
        QVERIFY(menu);
        auto* expiryMenu = menu->findChild<QObject*>("changeExpiryMenu");
        QQuickItem* expiryItem = nullptr;
        QMetaObject::invokeMethod(menu, "itemAt", Q_RETURN_ARG(QQuickItem*, expiryItem),
                                  Q_ARG(int, 3));
        QMetaObject::invokeMethod(expiryItem, "triggered");
        QTRY_VERIFY(expiryMenu->property("opened").toBool());
        keepPicture(m_controller->popover(), "transfer-menu");
        QQuickItem* thirtyDays = nullptr;
        QMetaObject::invokeMethod(expiryMenu, "itemAt", Q_RETURN_ARG(QQuickItem*, thirtyDays),
                                  Q_ARG(int, 3));
        QCOMPARE(thirtyDays->property("text").toString(), "30 days");
        const QString before = transferStatus();
        QMetaObject::invokeMethod(thirtyDays, "triggered");
        QTRY_VERIFY(transferStatus() != before);
        QVERIFY(transferStatus().startsWith("0 downloads · 0 views · until "));

        // Deleting, from the context menu, asks first; the transfer stays listed as deleted.
        QTRY_VERIFY(!menu->property("visible").toBool());
        QTest::mouseClick(&m_controller->popover(), Qt::RightButton, {},
                          row->mapToScene(QPointF(row->width() / 3, row->height() / 2)).toPoint());
        QTRY_VERIFY(menu->property("opened").toBool());
        QMetaObject::invokeMethod(menu->findChild<QObject*>("deleteTransferItem"), "triggered");
        QObject* dialog = row->findChild<QObject*>("confirmDeleteDialog");
        QTRY_VERIFY(dialog->property("opened").toBool());
        keepPicture(m_controller->popover(), "delete-transfer");
        QMetaObject::invokeMethod(dialog, "accept");
        QTRY_COMPARE(transferStatus(), "Deleted");
    }

    void transferWithoutLinkOffersNothing() {
        QQuickWindow& popover = m_controller->popover();
        QQmlComponent component(m_controller->popover().engine(),
                                QUrl("qrc:/qt/qml/Parcella/Interface/TransferRow.qml"));
        QObject* root = m_controller->popover().rootObject();
        std::unique_ptr<QObject> row(component.createWithInitialProperties(
            {{"presenter", root->property("presenter")},
             {"actions", root->property("transferActions")},
             {"transferID", "unlinked"},
             {"url", QUrl()},
             {"displayName", "Draft"},
             {"isEmail", true},
             {"isDeleted", false},
             {"expiresAt", QDateTime::currentDateTimeUtc().addDays(1)},
             {"downloadCount", 0},
             {"viewCount", 0}}));
        QVERIFY2(row, qPrintable(component.errorString()));
        auto* rowItem = qobject_cast<QQuickItem*>(row.get());
        rowItem->setParentItem(popover.contentItem());
        QVERIFY(!itemsNamed(rowItem, "copyLinkButton").first()->isVisible());
        QVERIFY(!itemsNamed(rowItem, "moreActionsButton").first()->isEnabled());
        QMetaObject::invokeMethod(rowItem, "openMenu", Q_ARG(QVariant, QVariant()));
        QVERIFY(!rowItem->property("actionsMenu").value<QObject*>());
    }

    void signOutReturnsToTheFirstScreen() {
        m_rig.model->setNotice(QStringLiteral("The service could not be reached."));
        keepPicture(m_controller->popover(), "signed-in-notice");
        QTRY_VERIFY(shown(item("noticeView")));
        m_rig.model->setNotice(std::nullopt);
        ParcelKit::Testing::await(m_rig.model->signOut());
        QTRY_VERIFY(shown(item("signedOutView")));
        QCOMPARE(menuShows(m_accountEntries), std::optional(QStringList()));
    }
};

QTEST_MAIN(PopoverViewTest)
#include "tst_PopoverView.moc"
