#include "ModelRig.h"
#include "StatusItemController.h"
#include "TestSupport.h"
#include "Translations.h"

#include <QDir>
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

// The views run in the user's language as the application does: English in the test run, German
// in the German screenshot pass (LANGUAGE=de).
QString inLanguage(const char* english, const char* german) {
    return QString::fromUtf8(Translations::languageFor(QLocale::system()) == "de" ? german
                                                                                  : english);
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
    // Whether the settings menu, opened, shows the entry; nothing when it does not open.
    std::optional<bool> menuShows(const QString& name) {
        QObject* root = m_controller->popover().rootObject();
        QObject* menu = root->findChild<QObject*>("settingsMenu");
        QMetaObject::invokeMethod(menu, "open");
        if (!QTest::qWaitFor([menu] { return menu->property("opened").toBool(); }))
            return std::nullopt;
        const bool visible = root->findChild<QObject*>(name)->property("visible").toBool();
        QMetaObject::invokeMethod(menu, "close");
        if (!QTest::qWaitFor([menu] { return !menu->property("visible").toBool(); }))
            return std::nullopt;
        return visible;
    }

    Testing::ModelRig m_rig;
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
        Translations::install(*qApp);
        m_controller = std::make_unique<StatusItemController>(m_rig.start());
    }
    void cleanupTestCase() { m_controller.reset(); }

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
        QCOMPARE(item("signInButton")->property("text").toString(),
                 inLanguage("Sign in", "Anmelden"));
        QCOMPARE(menuShows("signOutItem"), std::optional(false));
        keepPicture(m_controller->popover(), "signed-out");

        QVERIFY(m_rig.signIn());
        QTRY_VERIFY(shown(item("signedInView")));
        QVERIFY(!shown(item("signedOutView")));
        QCOMPARE(menuShows("signOutItem"), std::optional(true));
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
        QCOMPARE(item("filesLine")->property("text").toString(),
                 inLanguage("2 files · 2.0 MB", "2 Dateien · 2,0 MB"));
        const auto statuses = [this] {
            QStringList texts;
            for (QQuickItem* status :
                 itemsNamed(m_controller->popover().rootObject(), "uploadStatus"))
                texts.append(status->property("text").toString());
            return texts;
        };
        QTRY_COMPARE(statuses(),
                     QStringList({inLanguage("Uploaded · 2.0 MB", "Hochgeladen · 2,0 MB"),
                                  inLanguage("Uploaded · Zero KB", "Hochgeladen · Null KB")}));
        QCOMPARE(shown(item("removeUploadButton")), true);
        QCOMPARE(shown(item("cancelUploadButton")), false);
        keepPicture(m_controller->popover(), "signed-in-files");
    }

    void sentTransferIsListedWithItsStatus() {
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
                    .startsWith(inLanguage("0 downloads · 0 views · until ",
                                           "0 Downloads · 0 Aufrufe · bis ")));
        QVERIFY(shown(item("copyLinkButton")));
        keepPicture(m_controller->popover(), "signed-in-transfer");
    }

    void signOutReturnsToTheFirstScreen() {
        m_rig.model->setNotice(QStringLiteral("The service could not be reached."));
        keepPicture(m_controller->popover(), "signed-in-notice");
        QTRY_VERIFY(shown(item("noticeView")));
        m_rig.model->setNotice(std::nullopt);
        ParcelKit::Testing::await(m_rig.model->signOut());
        QTRY_VERIFY(shown(item("signedOutView")));
        QCOMPARE(menuShows("signOutItem"), std::optional(false));
    }
};

QTEST_MAIN(PopoverViewTest)
#include "tst_PopoverView.moc"
