#include "ErrorOf.h"
#include "data/query/DayNumber.h"
#include "data/query/FieldValue.h"
#include "platform/Exception.h"

#include <QTest>

namespace {} // namespace

class TestFieldValue : public QObject {
    Q_OBJECT

private slots:
    void asString_data() {
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("null") << QVariant() << "";
        QTest::newRow("integer") << QVariant(qint64(100)) << "100";
        QTest::newRow("negative") << QVariant(-7) << "-7";
        QTest::newRow("whole double") << QVariant(3.0) << "3";
        QTest::newRow("fraction") << QVariant(12.5) << "12.5";
        QTest::newRow("sum of tenths") << QVariant(0.1 + 0.2) << "0.3";
        QTest::newRow("large") << QVariant(1e20) << "1e+20";
        QTest::newRow("bool") << QVariant(true) << "True";
        QTest::newRow("bytes") << QVariant(QByteArray("账")) << "账";
        QTest::newRow("text") << QVariant(QStringLiteral(" 午饭 ")) << " 午饭 ";
    }
    void asString() {
        QFETCH(QVariant, value);
        QFETCH(QString, text);
        QCOMPARE(FieldValue::AsString(value), text);
    }

    void asInteger_data() {
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<qint64>("number");
        QTest::addColumn<bool>("fails");
        QTest::newRow("null") << QVariant() << qint64(0) << false;
        QTest::newRow("half up") << QVariant(12.5) << qint64(13) << false;
        QTest::newRow("below half") << QVariant(12.4) << qint64(12) << false;
        QTest::newRow("negative half") << QVariant(-12.5) << qint64(-13) << false;
        QTest::newRow("text") << QVariant(QStringLiteral(" 42 ")) << qint64(42) << false;
        QTest::newRow("decimal text") << QVariant(QStringLiteral("3.6")) << qint64(4) << false;
        QTest::newRow("exact large")
            << QVariant(Q_INT64_C(9007199254740993)) << Q_INT64_C(9007199254740993) << false;
        QTest::newRow("bool") << QVariant(true) << qint64(1) << false;
        QTest::newRow("not a number") << QVariant(QStringLiteral("abc")) << qint64(0) << true;
        QTest::newRow("too large") << QVariant(1e19) << qint64(0) << true;
    }
    void asInteger() {
        QFETCH(QVariant, value);
        QFETCH(qint64, number);
        QFETCH(bool, fails);
        if (fails) {
            const QString error = ErrorOf([&] { FieldValue::AsInteger(value, "Amount"); });
            QVERIFY2(error.contains(QStringLiteral("Amount")) &&
                         error.contains(QStringLiteral("整数")),
                     qPrintable(error));
        } else {
            QCOMPARE(FieldValue::AsInteger(value, "Amount"), number);
        }
    }

    void asFloat_data() {
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<double>("number");
        QTest::addColumn<bool>("fails");
        QTest::newRow("null") << QVariant() << 0.0 << false;
        QTest::newRow("integer") << QVariant(100) << 100.0 << false;
        QTest::newRow("text") << QVariant(QStringLiteral("2.25")) << 2.25 << false;
        QTest::newRow("bool") << QVariant(false) << 0.0 << false;
        QTest::newRow("not a number") << QVariant(QStringLiteral("x")) << 0.0 << true;
    }
    void asFloat() {
        QFETCH(QVariant, value);
        QFETCH(double, number);
        QFETCH(bool, fails);
        if (fails)
            QVERIFY(ErrorOf([&] { FieldValue::AsFloat(value, "Amount"); }).contains("数值"));
        else
            QCOMPARE(FieldValue::AsFloat(value, "Amount"), number);
    }

    void asDateTime_data() {
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QDateTime>("moment");
        QTest::addColumn<bool>("fails");
        const QDateTime first(QDate(2026, 12, 1), QTime(0, 0));
        QTest::newRow("null") << QVariant() << QDateTime() << false;
        QTest::newRow("whole day number") << QVariant(46357) << first << false;
        QTest::newRow("evening") << QVariant(46357.75) << first.addSecs(18 * 3600) << false;
        QTest::newRow("number as text") << QVariant(QStringLiteral("46357")) << first << false;
        QTest::newRow("iso date") << QVariant(QStringLiteral("2026-12-01")) << first << false;
        QTest::newRow("slashes with time")
            << QVariant(QStringLiteral("2026/12/1 18:00")) << first.addSecs(18 * 3600) << false;
        QTest::newRow("dots") << QVariant(QStringLiteral("2026.12.1")) << first << false;
        QTest::newRow("date value") << QVariant(QDate(2026, 12, 1)) << first << false;
        QTest::newRow("empty text") << QVariant(QStringLiteral("  ")) << QDateTime() << false;
        QTest::newRow("not a date") << QVariant(QStringLiteral("明天")) << QDateTime() << true;
        QTest::newRow("no such day")
            << QVariant(QStringLiteral("2026-02-30")) << QDateTime() << true;
    }
    void asDateTime() {
        QFETCH(QVariant, value);
        QFETCH(QDateTime, moment);
        QFETCH(bool, fails);
        if (fails)
            QVERIFY(ErrorOf([&] { FieldValue::AsDateTime(value, "UseDate"); }).contains("日期"));
        else
            QCOMPARE(FieldValue::AsDateTime(value, "UseDate"), moment);
    }

    void stored_data() {
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<bool>("dateTimeColumn");
        QTest::addColumn<QVariant>("stored");
        QTest::newRow("null") << QVariant() << true << QVariant();
        QTest::newRow("text elsewhere") << QVariant(QStringLiteral("2026-12-01")) << false
                                        << QVariant(QStringLiteral("2026-12-01"));
        QTest::newRow("date text")
            << QVariant(QStringLiteral("2026-12-01")) << true << QVariant(qint64(46357));
        QTest::newRow("date and time text")
            << QVariant(QStringLiteral("2026-12-01 18:00")) << true << QVariant(46357.75);
        QTest::newRow("number text")
            << QVariant(QStringLiteral("46357.5")) << true << QVariant(46357.5);
        QTest::newRow("empty text") << QVariant(QString()) << true << QVariant();
        QTest::newRow("midnight") << QVariant(QDateTime(QDate(2026, 12, 31), QTime(0, 0))) << false
                                  << QVariant(qint64(46387));
        QTest::newRow("date") << QVariant(QDate(2026, 12, 31)) << false << QVariant(qint64(46387));
        QTest::newRow("number kept") << QVariant(12.5) << true << QVariant(12.5);
    }
    void stored() {
        QFETCH(QVariant, value);
        QFETCH(bool, dateTimeColumn);
        QFETCH(QVariant, stored);
        const QVariant result = FieldValue::Stored(value, dateTimeColumn, "UseDate");
        QCOMPARE(result.typeId(), stored.typeId());
        QCOMPARE(result, stored);
    }

    void storedRefusesTextThatIsNoDate() {
        const QString error =
            ErrorOf([] { FieldValue::Stored(QStringLiteral("not a date"), true, "UseDate"); });
        QVERIFY(error.contains(QStringLiteral("not a date")));
        QVERIFY(error.contains(QStringLiteral("UseDate")));
    }

    void sameValueAndKeyText_data() {
        QTest::addColumn<QVariant>("a");
        QTest::addColumn<QVariant>("b");
        QTest::addColumn<bool>("same");
        QTest::addColumn<bool>("sameKey");
        QTest::newRow("both null") << QVariant() << QVariant() << true << true;
        QTest::newRow("null and empty") << QVariant() << QVariant(QString()) << false << true;
        QTest::newRow("int widths") << QVariant(3) << QVariant(qint64(3)) << true << true;
        QTest::newRow("int and double") << QVariant(3) << QVariant(3.0) << false << true;
        QTest::newRow("int and text")
            << QVariant(3) << QVariant(QStringLiteral("3")) << false << true;
        QTest::newRow("different") << QVariant(3) << QVariant(4) << false << false;
        QTest::newRow("texts") << QVariant(QStringLiteral("甲")) << QVariant(QStringLiteral("甲"))
                               << true << true;
    }
    void sameValueAndKeyText() {
        QFETCH(QVariant, a);
        QFETCH(QVariant, b);
        QFETCH(bool, same);
        QFETCH(bool, sameKey);
        QCOMPARE(FieldValue::SameValue(a, b), same);
        QCOMPARE(FieldValue::SameValue(b, a), same);
        QCOMPARE(FieldValue::KeyText(a) == FieldValue::KeyText(b), sameKey);
    }
};

QTEST_GUILESS_MAIN(TestFieldValue)
#include "tst_fieldvalue.moc"
