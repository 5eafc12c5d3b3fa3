#include "FileChooser.h"
#include "ModelRig.h"
#include "StatusItemController.h"
#include "TestSupport.h"
#include "Translations.h"
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

    QList<QQuickItem*> items(const QString& name) {
        return itemsNamed(m_controller->popover().rootObject(), name);
    }
    QQuickItem* item(const QString& name) { return items(name).value(0); }
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

    const QStringList m_accountEntries{"userNameItem", "userEmailItem", "signOutItem"};
    // Scrolls the signed-in screen to the named item, then keeps a picture.
    void keepPictureFrom(const QString& name, const QString& picture) {
        if (!qEnvironmentVariableIsSet("PARCELLA_SCREENSHOTS"))
            return;
        QTest::qWait(100); // lets the layout settle before it is measured
        auto* flickable = item("signedInView")->property("contentItem").value<QQuickItem*>();
        auto* content = flickable->property("contentItem").value<QQuickItem*>();
        const qreal bottom = flickable->property("contentHeight").toReal() - flickable->height();
        const qreal top = item(name)->mapToItem(content, QPointF()).y() - 14;
        flickable->setProperty("contentY", std::clamp<qreal>(top, 0, std::max<qreal>(bottom, 0)));
        keepPicture(m_controller->popover(), picture);
        flickable->setProperty("contentY", 0);
    }
    QString text(const QString& name) { return item(name)->property("text").toString(); }
    QObject* sendForm() {
        const QVariant presenter = m_controller->popover().rootObject()->property("presenter");
        return presenter.value<QObject*>()->property("sendForm").value<QObject*>();
    }

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
        Translations::install(*qApp);
        AppModel& model = m_rig.start();
        UpdaterSetup setup;
        setup.runningVersion = QVersionNumber(0, 1, 0);
        setup.settings = m_rig.settings;
        setup.firstCheckDelay = std::chrono::hours(24);
        m_updater = std::make_unique<Updater>(model, setup);
        m_controller =
            std::make_unique<StatusItemController>(model, &QCoreApplication::quit, m_updater.get());
    }
    void cleanupTestCase() {
        m_controller.reset();
        m_updater.reset();
    }

    void signInSwitchesScreensAndMenu() {
        QVERIFY(shown(item("signedOutView")));
        QVERIFY(!shown(item("signedInView")));
        QCOMPARE(text("signInButton"), inLanguage("Sign in", "Anmelden"));
        QCOMPARE(menuShows(m_accountEntries), std::optional(QStringList()));
        keepPicture(m_controller->popover(), "signed-out");

        // While the browser has not answered, the screen says so and the sign-in can be cancelled.
        m_rig.browserAllows = false;
        QMetaObject::invokeMethod(item("signInButton"), "clicked");
        QTRY_VERIFY(shown(item("cancelSignInButton")));
        keepPicture(m_controller->popover(), "signing-in");
        QMetaObject::invokeMethod(item("cancelSignInButton"), "clicked");
        QTRY_VERIFY(!m_rig.model->isSigningIn());
        m_rig.browserAllows = true;
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
        QTRY_COMPARE(items("uploadRow").size(), 2);
        QVERIFY(!shown(item("dropZone")));
        QCOMPARE(text("filesLine"), inLanguage("2 files · 2.0 MB", "2 Dateien · 2,0 MB"));
        const auto statuses = [this] {
            QStringList texts;
            for (QQuickItem* status : items("uploadStatus"))
                texts.append(status->property("text").toString());
            return texts;
        };
        QTRY_COMPARE(statuses(),
                     QStringList({inLanguage("Uploaded · 2.0 MB", "Hochgeladen · 2,0 MB"),
                                  inLanguage("Uploaded · Zero kB", "Hochgeladen · Null kB")}));
        QCOMPARE(shown(item("removeUploadButton")), true);
        QCOMPARE(shown(item("cancelUploadButton")), false);
        keepPicture(m_controller->popover(), "signed-in-files");
        m_rig.model->setWelcoming(false);
        keepPictureFrom("sendFormView", "send-form-link");
    }

    // The fields are written as the controls write them.
    void sendFormFollowsItsRules_data() {
        QTest::addColumn<QVariantMap>("fields");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QStringList>("fieldsShown");
        QTest::addColumn<QString>("button");
        QTest::newRow("link") << QVariantMap{} << "" << QStringList{"titleField"}
                              << inLanguage("Create link", "Link erstellen");
        QTest::newRow("e-mail, no address")
            << QVariantMap{{"isEmail", true}, {"recipients", " ,; "}}
            << inLanguage("Add at least one recipient.", "Füge mindestens einen Empfänger hinzu.")
            << QStringList{"recipientsField", "subjectField"}
            << inLanguage("Send transfer", "Übertragung senden");
        QTest::newRow("short password")
            << QVariantMap{{"password", "abc"}, {"protection", "password"}}
            << inLanguage("The password needs at least 4 characters.",
                          "Das Passwort braucht mindestens 4 Zeichen.")
            << QStringList{"titleField", "passwordField"}
            << inLanguage("Create link", "Link erstellen");
        QTest::newRow("code for a link, nobody allowed")
            << QVariantMap{{"protection", "emailCode"}}
            << inLanguage("Add who can ask for a code.", "Gib an, wer einen Code anfordern darf.")
            << QStringList{"titleField", "allowedEmailsField"}
            << inLanguage("Create link", "Link erstellen");
        QTest::newRow("code, then e-mail")
            << QVariantMap{{"protection", "emailCode"},
                           {"recipients", "ada@example.com"},
                           {"subject", "Proofs"},
                           {"isEmail", true}}
            << "" << QStringList{"recipientsField", "subjectField", "codeHint"}
            << inLanguage("Send transfer", "Übertragung senden");
    }
    void sendFormFollowsItsRules() {
        QFETCH(QVariantMap, fields);
        QFETCH(QString, message);
        QFETCH(QStringList, fieldsShown);
        QFETCH(QString, button);
        m_rig.model->setForm({});
        for (const auto& [key, value] : fields.asKeyValueRange())
            sendForm()->setProperty(key.toUtf8(), value);
        QCOMPARE(text("formMessage"), message);
        QCOMPARE(shown(item("formMessage")), !message.isEmpty());
        QStringList shownNow;
        for (const QString name : {"titleField", "recipientsField", "subjectField", "passwordField",
                                   "codeHint", "allowedEmailsField"})
            if (shown(item(name)))
                shownNow.append(name);
        QCOMPARE(shownNow, fieldsShown);
        QCOMPARE(text("sendButton"), button);
        QCOMPARE(item("sendButton")->isEnabled(), message.isEmpty());
        if (QTest::currentDataTag() == QByteArray("code, then e-mail"))
            keepPictureFrom("sendFormView", "send-form-email-code");
    }

    void returnSendsAndTheFormWaitsForThePendingSend() {
        QVERIFY(shown(item("noTransfers")));
        PopoverWindow& popover = m_controller->popover();
        m_rig.model->setForm({});
        m_rig.network->signal().setOnline(false);
        m_rig.enqueue({"late.bin"}, 1000);
        // Return breaks the line in a field of several lines and sends elsewhere.
        for (auto* child : item("messageField")->findChildren<QQuickItem*>())
            if (child->inherits("QQuickTextEdit"))
                child->forceActiveFocus();
        QTest::keyClick(&popover, Qt::Key_Return);
        QCOMPARE(m_rig.model->form().message, "\n");
        QVERIFY(!m_rig.model->pending());
        item("titleField")->forceActiveFocus();
        for (const char key : QByteArray("Proofs"))
            QTest::keyClick(&popover, key);
        QCOMPARE(m_rig.model->form().subject, "Proofs");
        QTest::keyClick(&popover, Qt::Key_Return);
        QTRY_VERIFY(shown(item("pendingSendView")));
        QCOMPARE(text("pendingTitle"),
                 inLanguage("Link created once the uploads finish",
                            "Link wird erstellt, sobald die Uploads fertig sind"));
        QTRY_VERIFY(shown(item("pendingBusy")));
        QVERIFY(!shown(item("tryAgainSendButton")));
        QCOMPARE(m_rig.model->pending()->subject, "Proofs");

        // Files added meanwhile bring the form back, which waits for the previous send.
        m_rig.enqueue({"later.bin"}, 1000);
        QTRY_VERIFY(shown(item("sendButton")));
        QCOMPARE(text("sendButton"), inLanguage("Waiting for the previous transfer…",
                                                "Warte auf die vorherige Übertragung …"));
        QVERIFY(!item("sendButton")->isEnabled());
        QVERIFY(shown(itemsNamed(item("sendButton"), "primaryBusy").first()));
        keepPictureFrom("pendingSendView", "pending-send");
        keepPictureFrom("messageField", "pending-send-button");

        QMetaObject::invokeMethod(item("discardButton"), "clicked");
        QTRY_VERIFY(!shown(item("pendingSendView")));
        QCOMPARE(text("sendButton"), inLanguage("Create link", "Link erstellen"));
        // A send right after the discard starts at once.
        m_rig.network->signal().setOnline(true);
        sendForm()->setProperty("subject", "Summer photos");
        QTest::keyClick(&popover, Qt::Key_Return);
        QTRY_VERIFY_WITH_TIMEOUT(m_rig.model->lastCreated(), 30000);
    }

    void createdTransferIsShownAndListed() {
        const auto created = m_rig.model->lastCreated();
        QVERIFY(created);
        QCOMPARE(text("createdTitle"),
                 inLanguage("Link created and copied", "Link erstellt und kopiert"));
        QCOMPARE(text("createdURL"), created->url->toString());
        QCOMPARE(text("createdCopyButton"), inLanguage("Copied", "Kopiert"));
        keepPicture(m_controller->popover(), "created-transfer");
        QTRY_COMPARE(text("createdCopyButton"), inLanguage("Copy link", "Link kopieren"));
        QTRY_VERIFY(shown(item("transferRow")));
        QVERIFY(!shown(item("noTransfers")));
        QCOMPARE(text("transferName"), "Summer photos");
        QVERIFY(text("transferStatus")
                    .startsWith(inLanguage("0 downloads · 0 views · until ",
                                           "0 Downloads · 0 Aufrufe · bis ")));
        QVERIFY(shown(item("copyLinkButton")));
        keepPicture(m_controller->popover(), "signed-in-transfer");
        QMetaObject::invokeMethod(item("dismissCreatedButton"), "clicked");
        QVERIFY(!shown(item("createdTransferView")));

        // A longer expiry, from the menu's submenu.
        QQuickItem* row = item("transferRow");
        QMetaObject::invokeMethod(row, "openMenu",
                                  Q_ARG(QVariant, QVariant::fromValue(item("moreActionsButton"))));
        auto* menu = row->property("actionsMenu").value<QObject*>();
        QTRY_VERIFY(menu && menu->property("opened").toBool());
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
        QCOMPARE(thirtyDays->property("text").toString(), inLanguage("30 days", "30 Tage"));
        const QString before = text("transferStatus");
        QMetaObject::invokeMethod(thirtyDays, "triggered");
        QTRY_VERIFY(text("transferStatus") != before);
        QVERIFY(text("transferStatus")
                    .startsWith(inLanguage("0 downloads · 0 views · until ",
                                           "0 Downloads · 0 Aufrufe · bis ")));

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
        QTRY_COMPARE(text("transferStatus"), inLanguage("Deleted", "Gelöscht"));
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

    void failedUploadKeepsTheFormFromSending() {
        const QUuid missing = m_rig.enqueue({"missing.bin"}).first();
        QTRY_COMPARE(
            text("formMessage"),
            inLanguage("Retry or remove the files that failed to upload.",
                       "Lade die fehlgeschlagenen Dateien erneut hoch oder entferne sie."));
        QVERIFY(!item("sendButton")->isEnabled());
        m_rig.model->queue().remove(missing);
    }

    // "Add" with a folder selected adds the folder instead of opening it.
    void chooserAddsFilesAndFolders() {
        QDir(m_rig.dir.path()).mkpath("album");
        m_rig.writeFile("notes.txt", 0);
        FileChooser chooser;
        QSignalSpy chosen(&chooser, &FileChooser::chosen);
        chooser.setDirectory(m_rig.dir.path());
        chooser.selectFile(R"("album" "notes.txt")");
        chooser.accept();
        QCOMPARE(chosen.size(), 1);
        QCOMPARE(chosen.first().first().value<QList<QUrl>>(),
                 QList({QUrl::fromLocalFile(m_rig.dir.filePath("album")),
                        QUrl::fromLocalFile(m_rig.dir.filePath("notes.txt"))}));
    }

    void pausedUploadsSayWhy() {
        QVERIFY(!m_rig.model->uploadsOnMeteredConnections());
        m_rig.network->setMetered(true);
        const QUuid id = m_rig.enqueue({"interview-footage.zip"}, 3'000'000).first();
        QTRY_VERIFY(shown(item("meteredLine")));
        QCOMPARE(text("uploadStatus"),
                 inLanguage("Paused · Zero kB of 3.0 MB", "Angehalten · Null kB von 3,0 MB"));
        QVERIFY(!shown(item("resumeUploadButton")));
        // Paused by the user too: stays paused when the network is no longer metered.
        m_rig.model->pauseUpload(id);
        QVERIFY(m_rig.model->isAnythingPaused());
        QTRY_VERIFY(shown(item("resumeUploadButton")));
        keepPicture(m_controller->popover(), "signed-in-paused");
        m_rig.network->setMetered(false);
        QTRY_VERIFY(!shown(item("meteredLine")));
        QVERIFY(shown(item("resumeUploadButton")));
        auto* resumeAll = m_controller->popover().rootObject()->findChild<QObject*>("pauseAllItem");
        QCOMPARE(resumeAll->property("text").toString(),
                 inLanguage("Resume all", "Alle fortsetzen"));
        QMetaObject::invokeMethod(resumeAll, "triggered");
        QTRY_COMPARE(text("uploadStatus"), inLanguage("Uploaded · 3.0 MB", "Hochgeladen · 3,0 MB"));
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
