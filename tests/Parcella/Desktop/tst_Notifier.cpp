// Notifications against a real dunst (see with-notifications.sh): what it shows, read back with
// `dunstctl history` (a name that looks like markup shows as typed), and a click with
// `dunstctl action` that opens the link in the test browser.
#include "Notifier.h"

#include "TestSupport.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QXmlStreamReader>
#include <QtTest>

using namespace Parcella;
using ParcelKit::Testing::await;
using ParcelKit::Testing::fileBytes;
using ParcelKit::Testing::spinUntil;

namespace {

QByteArray dunstctl(const QStringList& arguments) {
    QProcess process;
    process.start(QStringLiteral("dunstctl"), arguments);
    if (!process.waitForFinished(10000) || process.exitCode() != 0)
        return {};
    return process.readAllStandardOutput().trimmed();
}

QStringList browserLog() {
    const auto bytes = fileBytes(qEnvironmentVariable("PARCELLA_TEST_BROWSER_LOG"));
    return QString::fromUtf8(bytes).split('\n', Qt::SkipEmptyParts);
}

// The newest entry of dunst's history: field name → its value.
QJsonObject newestInHistory() {
    const auto history = QJsonDocument::fromJson(dunstctl({"history"})).object();
    QJsonObject newest;
    for (const auto& entry : history.value("data").toArray().at(0).toArray()) {
        const auto object = entry.toObject();
        if (newest.isEmpty() || object.value("id").toObject().value("data").toInt() >
                                    newest.value("id").toObject().value("data").toInt())
            newest = object;
    }
    QJsonObject fields;
    for (auto it = newest.begin(); it != newest.end(); ++it)
        fields.insert(it.key(), it.value().toObject().value("data"));
    return fields;
}

// What a reader sees of dunst's markup ("<b>title</b>\nbody"); a body that broke the markup
// gives no text at all.
QString readableText(const QString& markup) {
    QXmlStreamReader reader(QStringLiteral("<m>%1</m>").arg(markup));
    QString text;
    while (reader.readNext() != QXmlStreamReader::Invalid && !reader.atEnd()) {
        if (reader.isCharacters())
            text += reader.text();
    }
    return reader.hasError() ? QString() : text;
}

} // namespace

class tst_Notifier : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { await(m_notifier.requestPermission()); }
    void shownAndClicked_data() {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("body");
        QTest::addColumn<QUrl>("link");
        QTest::newRow("link opens on click")
            << "Link copied"
            << "The link is on the clipboard." << QUrl("http://127.0.0.1:9/d/abc?x=1");
        QTest::newRow("name that looks like markup")
            << "First download"
            << "«<b>Q&A</b> & notes» was downloaded." << QUrl("https://127.0.0.1:9/d/q%26a");
        QTest::newRow("no link, nothing opens") << "Transfer sent"
                                                << "To 2 recipients." << QUrl();
    }
    void shownAndClicked() {
        QFETCH(QString, title);
        QFETCH(QString, body);
        QFETCH(QUrl, link);
        const int opened = browserLog().size();
        m_notifier.post(title, body, link.isEmpty() ? std::nullopt : std::optional(link));
        QVERIFY(spinUntil([] { return dunstctl({"count", "displayed"}).toInt() == 1; }));

        dunstctl({"action", "0"});
        // Without a link nothing opens, given the time to.
        spinUntil([&] { return browserLog().size() > opened; },
                  std::chrono::milliseconds(link.isEmpty() ? 500 : 10000));
        QCOMPARE(browserLog().mid(opened),
                 link.isEmpty() ? QStringList() : QStringList{link.toString()});

        dunstctl({"close-all"});
        QVERIFY(spinUntil([] { return dunstctl({"count", "displayed"}).toInt() == 0; }));
        const auto shown = newestInHistory();
        QCOMPARE(shown.value("appname").toString(), "Parcella");
        QCOMPARE(shown.value("summary").toString(), title);
        QCOMPARE(readableText(shown.value("message").toString()), title + '\n' + body);
    }

private:
    Notifier m_notifier;
};

QTEST_MAIN(tst_Notifier)
#include "tst_Notifier.moc"
