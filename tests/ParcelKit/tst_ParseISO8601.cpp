#include "WireDate.h"

#include <QTest>

using namespace ParcelKit;

namespace {

// Seconds since 2001 of a whole-second UTC time, computed by QDateTime as an independent check.
double utc(int year, int month, int day, int hour, int minute, int second) {
    return Timestamp::fromDateTime(
               QDateTime(QDate(year, month, day), QTime(hour, minute, second), Qt::UTC))
        .secondsSinceReferenceDate;
}

// Exact comparison (QCOMPARE on doubles is fuzzy, too loose for fractions of a second at this
// magnitude), printed with all significant digits.
QByteArray exact(double seconds) {
    return QByteArray::number(seconds, 'g', 17);
}

} // namespace

class ParseISO8601Test : public QObject {
    Q_OBJECT

private slots:
    void readsZonesAndSeparators_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("expected");
        const double tenTwentyThirty = utc(2025, 3, 1, 10, 20, 30);
        QTest::newRow("Z") << "2025-03-01T10:20:30Z" << tenTwentyThirty;
        QTest::newRow("space, no zone") << "2025-03-01 10:20:30" << tenTwentyThirty;
        QTest::newRow("+00:00") << "2025-03-01T10:20:30+00:00" << tenTwentyThirty;
        QTest::newRow("+0530") << "2025-03-01T10:20:30+0530" << utc(2025, 3, 1, 4, 50, 30);
        QTest::newRow("offset crosses the day")
            << "2025-03-01T01:00:00+03:00" << utc(2025, 2, 28, 22, 0, 0);
        QTest::newRow("+18:00 is the limit")
            << "2025-03-01T18:00:00+18:00" << utc(2025, 3, 1, 0, 0, 0);
        QTest::newRow("before 1970") << "1969-12-31T23:59:59Z" << utc(1969, 12, 31, 23, 59, 59);
        // Fields out of range roll over.
        QTest::newRow("30 February") << "2025-02-30T00:00:00Z" << utc(2025, 3, 2, 0, 0, 0);
        QTest::newRow("29 February 1900 is no leap day")
            << "1900-02-29T00:00:00Z" << utc(1900, 3, 1, 0, 0, 0);
        QTest::newRow("month 13") << "2025-13-01T00:00:00Z" << utc(2026, 1, 1, 0, 0, 0);
        QTest::newRow("hour 24") << "2025-12-31T24:00:00Z" << utc(2026, 1, 1, 0, 0, 0);
        QTest::newRow("leap second") << "2016-12-31T23:59:60Z" << utc(2017, 1, 1, 0, 0, 0);
    }
    void readsZonesAndSeparators() {
        QFETCH(QString, text);
        QFETCH(double, expected);
        const auto date = HTTP::parseISO8601(text);
        QVERIFY(date);
        QCOMPARE(exact(date->secondsSinceReferenceDate), exact(expected));
    }
    void keepsFractionsToDoublePrecision() {
        const double whole = utc(2025, 3, 1, 10, 20, 30);
        const auto nanos = HTTP::parseISO8601("2025-03-01T10:20:30.123456789Z");
        QVERIFY(nanos);
        QCOMPARE(exact(nanos->secondsSinceReferenceDate), exact(whole + 0.123456789));
        // Sub-millisecond digits are honoured, not cut to what QDateTime can hold.
        QVERIFY(nanos->secondsSinceReferenceDate != whole + 0.123);

        const QString longFraction = "2025-03-01T10:20:30." + QString(400, QLatin1Char('9')) + "Z";
        const auto nearlyNext = HTTP::parseISO8601(longFraction);
        QVERIFY(nearlyNext);
        QCOMPARE(exact(nearlyNext->secondsSinceReferenceDate), exact(whole + 1.0));
    }

    void refusesMalformedText() {
        for (const QString text :
             {"2025-03-01T10:20Z", "2025-03-01T10:20:30 Z", "2025-03-01T10:20:30+99:00",
              "2025-03-01T10:20:30.Z", "2025-03-01T10:20:30z", "2025-03-01T10:20:30+02",
              "2025-03-01T10:20:30Z\n", ""})
            QVERIFY2(!HTTP::parseISO8601(text), qPrintable(text));
    }

    void formatsBodyDatesWithMilliseconds() {
        const Timestamp date{utc(2025, 3, 1, 10, 20, 30) + 0.25};
        QCOMPARE(HTTP::formatISO8601(date), QStringLiteral("2025-03-01T10:20:30.250Z"));
        QCOMPARE(HTTP::parseISO8601(HTTP::formatISO8601(date)), date);
    }
};

QTEST_GUILESS_MAIN(ParseISO8601Test)
#include "tst_ParseISO8601.moc"
