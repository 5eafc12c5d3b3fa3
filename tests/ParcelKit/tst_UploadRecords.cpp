#include "StoredJSONError.h"
#include "UploadStore.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QtTest>

using namespace ParcelKit;

namespace {

// Compact, keys in declaration order, slashes escaped, as a different encoder writes the file.
const QByteArray foreignFile =
    R"([{"item":{"id":"0B5F7C1E-9D3A-4C2B-8E6F-1A2B3C4D5E6F","filename":"holiday.mov",)"
    R"("byteCount":107374182400,"bytesSent":33554432,"state":{"uploading":{}},)"
    R"("workspaceID":"ws_1"},"bookmark":"ZmlsZTovLy9ob21lL3UvaG9saWRheS5tb3Y=",)"
    R"("path":"\/home\/u\/holiday.mov","modifiedAt":694224000.123456,"partSize":107374183,)"
    R"("objectKey":"ws_1\/up_9\/holiday.mov","multipartUploadID":"2~abc",)"
    R"("parts":[{"partNumber":2,"etag":"\"e2\"","size":107374183},)"
    R"({"partNumber":1,"etag":"\"e1\"","size":107374183}],"isCompleteInBucket":false},)"
    R"({"item":{"id":"a1b2c3d4-0000-4000-8000-00000000000f","filename":"notes.txt",)"
    R"("byteCount":12,"bytesSent":12,"state":{"finished":{"uploadID":"u1"}},)"
    R"("workspaceID":"ws_1","finishedAt":694224100.5},"path":"\/home\/u\/notes.txt",)"
    R"("partSize":16777216,"parts":[],"isCompleteInBucket":true}])";

UploadRecord sampleRecord() {
    UploadRecord record;
    record.item = {QUuid::createUuid(),
                   "a \"b\" ü.bin",
                   std::numeric_limits<qint64>::max(),
                   (qint64(1) << 53) + 1,
                   UploadState::failed("Disk \"gone\""),
                   "ws/7",
                   Timestamp{-1234.000123456789}};
    record.bookmark = QByteArray("\x00\xff\x10 bookmark", 12);
    record.path = "/tmp/a \"b\" ü.bin";
    record.modifiedAt = Timestamp{694224000.1234567};
    record.partSize = 16777216;
    record.objectKey = "k";
    record.multipartUploadID = "m";
    record.parts = {{3, "\"x\"", 1}, {1, "", std::numeric_limits<qint64>::min()}};
    record.isCompleteInBucket = true;
    return record;
}

// A valid record with `key` of `section` replaced (or removed when `value` is undefined).
QByteArray recordWith(const QString& section, const QString& key, const QJsonValue& value) {
    auto record = UploadStore::decode(foreignFile).first().toJSON();
    auto target = section.isEmpty() ? record : record.value(section).toObject();
    if (value.isUndefined())
        target.remove(key);
    else
        target.insert(key, value);
    if (!section.isEmpty())
        record.insert(section, target);
    else
        record = target;
    return QJsonDocument(QJsonArray{record}).toJson(QJsonDocument::Compact);
}

} // namespace

class tst_UploadRecords : public QObject {
    Q_OBJECT

private slots:
    void fileFromAnotherWriterDecodes() {
        const auto records = UploadStore::decode(foreignFile);
        QCOMPARE(records.size(), 2);

        const auto& first = records[0];
        QCOMPARE(first.item.id,
                 QUuid::fromString(QString("{0b5f7c1e-9d3a-4c2b-8e6f-1a2b3c4d5e6f}")));
        QCOMPARE(first.item.byteCount, 107374182400);
        QCOMPARE(first.item.state, UploadState::uploading());
        QCOMPARE(first.bookmark, QByteArray("file:///home/u/holiday.mov"));
        QCOMPARE(first.path, QString("/home/u/holiday.mov"));
        QCOMPARE(first.modifiedAt, Timestamp{694224000.123456});
        QCOMPARE(first.objectKey, QString("ws_1/up_9/holiday.mov"));
        QCOMPARE(first.parts,
                 (QList<UploadedPart>{{2, "\"e2\"", 107374183}, {1, "\"e1\"", 107374183}}));
        QCOMPARE(first.confirmedBytes(), 214748366);

        const auto& second = records[1];
        QCOMPARE(second.item.state.uploadID(), QString("u1"));
        QCOMPARE(second.item.finishedAt, Timestamp{694224100.5});
        QCOMPARE(second.bookmark, std::nullopt);
        QVERIFY(second.isCompleteInBucket);

        QCOMPARE(UploadStore::decode(UploadStore::encode(records)), records);
    }
    void everyFieldSurvivesARoundTrip() {
        const auto record = sampleRecord();
        const auto encoded = UploadStore::encode({record});
        QCOMPARE(UploadStore::decode(encoded), QList<UploadRecord>{record});

        const auto item = QJsonDocument::fromJson(encoded).array().first()["item"].toObject();
        QCOMPARE(item["id"].toString(), record.item.id.toString(QUuid::WithoutBraces).toUpper());
        QVERIFY(encoded.contains("\"bytesSent\":9007199254740993"));
        QVERIFY(encoded.contains("\"byteCount\":9223372036854775807"));
        QCOMPARE(UploadStore::decode("[]"), QList<UploadRecord>{});

        // Absent optionals are left out rather than written as null.
        auto bare = record;
        bare.item.finishedAt.reset();
        bare.bookmark.reset();
        bare.modifiedAt.reset();
        bare.objectKey.reset();
        bare.multipartUploadID.reset();
        const auto written = UploadStore::encode({bare});
        for (const char* key :
             {"finishedAt", "bookmark", "modifiedAt", "objectKey", "multipartUploadID", "null"})
            QVERIFY2(!written.contains(key), key);
        QCOMPARE(UploadStore::decode(written), QList<UploadRecord>{bare});
    }
    void stateObjectsHaveOneCaseKey() {
        const QList<QPair<UploadState, QByteArray>> cases{
            {UploadState::queued(), R"({"queued":{}})"},
            {UploadState::uploading(), R"({"uploading":{}})"},
            {UploadState::finished("u1"), R"({"finished":{"uploadID":"u1"}})"},
            {UploadState::failed("No space"), R"({"failed":{"message":"No space"}})"},
            {UploadState::cancelled(), R"({"cancelled":{}})"},
        };
        for (const auto& [state, json] : cases) {
            const auto object = QJsonDocument::fromJson(json).object();
            QCOMPARE(state.toJSON(), object);
            QCOMPARE(UploadState::fromJSON(object), state);
        }
        QCOMPARE(
            UploadState::fromJSON(QJsonDocument::fromJson(R"({"queued":{},"note":1})").object()),
            UploadState::queued());
        QVERIFY(UploadState::finished("a") != UploadState::finished("b"));
        QVERIFY(UploadState::finished("a") != UploadState::failed("a"));
    }
    void malformedRecordsFail_data() {
        QTest::addColumn<QByteArray>("json");
        const QJsonValue absent(QJsonValue::Undefined);
        QTest::newRow("not json") << QByteArray("[{\"item\":");
        QTest::newRow("not an array") << QByteArray(R"({"item":{}})");
        QTest::newRow("missing path") << recordWith({}, "path", absent);
        QTest::newRow("missing parts") << recordWith({}, "parts", absent);
        QTest::newRow("null optional") << recordWith({}, "objectKey", QJsonValue::Null);
        QTest::newRow("bool as number") << recordWith({}, "isCompleteInBucket", 1);
        QTest::newRow("bad base64") << recordWith({}, "bookmark", "not base64!");
        QTest::newRow("fractional size") << recordWith({}, "partSize", 1.5);
        QTest::newRow("size as text") << recordWith({}, "partSize", "16777216");
        QTest::newRow("size past 64 bits") << recordWith({}, "partSize", 9.3e18);
        QTest::newRow("part number past 32 bits")
            << QByteArray(foreignFile).replace("\"partNumber\":2,", "\"partNumber\":2147483648,");
        QTest::newRow("uuid with braces")
            << recordWith("item", "id", "{0B5F7C1E-9D3A-4C2B-8E6F-1A2B3C4D5E6F}");
        QTest::newRow("missing state") << recordWith("item", "state", absent);
        QTest::newRow("payload not an object")
            << recordWith("item", "state", QJsonObject{{"queued", 1}});
        QTest::newRow("finished without id")
            << recordWith("item", "state", QJsonObject{{"finished", QJsonObject{}}});
        QTest::newRow("state without a case") << recordWith("item", "state", QJsonObject{});
        QTest::newRow("state with two cases") << recordWith(
            "item", "state", QJsonObject{{"queued", QJsonObject{}}, {"cancelled", QJsonObject{}}});
        QTest::newRow("unknown state")
            << recordWith("item", "state", QJsonObject{{"paused", QJsonObject{}}});
        // One bad record fails the whole list.
        QTest::newRow("good record, then a bad one")
            << QByteArray(foreignFile).replace("\"uploadID\":\"u1\"", "\"uploadID\":1");
        QTest::newRow("failed with number")
            << recordWith("item", "state", QJsonObject{{"failed", QJsonObject{{"message", 3}}}});
    }
    void malformedRecordsFail() {
        QFETCH(QByteArray, json);
        QVERIFY_THROWS_EXCEPTION(StoredJSONError, UploadStore::decode(json));
    }
};

QTEST_GUILESS_MAIN(tst_UploadRecords)
#include "tst_UploadRecords.moc"
