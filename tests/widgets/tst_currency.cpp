#include "widgets/Currency.h"

#include <QTest>

#include <cmath>
#include <limits>

Q_DECLARE_METATYPE(Currency::TReading)

class TestCurrency : public QObject {
    Q_OBJECT

private slots:
    void text_data() {
        QTest::addColumn<qint64>("units");
        QTest::addColumn<QString>("text");
        const qint64 yuan = Currency::UnitsPerYuan;
        QTest::newRow("income less expenditure") << 1766 * yuan << QStringLiteral("￥1,766.00");
        QTest::newRow("negative total") << -1234 * yuan << QStringLiteral("-￥1,234.00");
        QTest::newRow("beyond 32 bits") << 2 * 2147483647LL * yuan
                                        << QStringLiteral("￥4,294,967,294.00");
        QTest::newRow("zero") << qint64(0) << QStringLiteral("￥0.00");
        QTest::newRow("three digits") << 100 * yuan << QStringLiteral("￥100.00");
        QTest::newRow("four digits") << 1000 * yuan << QStringLiteral("￥1,000.00");
        QTest::newRow("seven digits") << 1234567 * yuan << QStringLiteral("￥1,234,567.00");
        QTest::newRow("fen") << qint64(12300) << QStringLiteral("￥1.23");
        QTest::newRow("rounded down") << qint64(12345 - 1) << QStringLiteral("￥1.23");
        QTest::newRow("half rounded up") << qint64(12350) << QStringLiteral("￥1.24");
        QTest::newRow("negative half away from zero") << qint64(-12350) << QStringLiteral("-￥1.24");
        QTest::newRow("negative rounding to zero") << qint64(-49) << QStringLiteral("￥0.00");
        QTest::newRow("one fen negative") << qint64(-100) << QStringLiteral("-￥0.01");
        QTest::newRow("largest") << std::numeric_limits<qint64>::max()
                                 << QStringLiteral("￥922,337,203,685,477.58");
    }
    void text() {
        QFETCH(qint64, units);
        QFETCH(QString, text);
        QCOMPARE(Currency::Text(units), text);
    }

    void units_data() {
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<bool>("numeric");
        QTest::addColumn<qint64>("units");
        QTest::newRow("integer") << QVariant(25) << true << qint64(250000);
        QTest::newRow("64-bit integer") << QVariant(qint64(2147483647)) << true
                                        << qint64(21474836470000);
        QTest::newRow("real") << QVariant(25.5) << true << qint64(255000);
        QTest::newRow("four decimals") << QVariant(0.1234) << true << qint64(1234);
        QTest::newRow("negative real") << QVariant(-25.0) << true << qint64(-250000);
        QTest::newRow("whole text") << QVariant(QStringLiteral("12")) << true << qint64(120000);
        QTest::newRow("decimal text") << QVariant(QStringLiteral(" 1.5 ")) << true << qint64(15000);
        QTest::newRow("null") << QVariant() << false << qint64(0);
        QTest::newRow("null real") << QVariant(QMetaType(QMetaType::Double)) << false << qint64(0);
        QTest::newRow("empty text") << QVariant(QString()) << false << qint64(0);
        QTest::newRow("blank text") << QVariant(QStringLiteral("  ")) << false << qint64(0);
        QTest::newRow("not a number") << QVariant(QStringLiteral("abc")) << false << qint64(0);
    }
    void units() {
        QFETCH(QVariant, value);
        QFETCH(bool, numeric);
        QFETCH(qint64, units);
        qint64 result = -7;
        QCOMPARE(Currency::ToUnits(value, result), numeric);
        QCOMPARE(result, numeric ? units : qint64(-7)); // left alone when empty
    }

    // Beyond ±922,337,203,685,477.5807 yuan the columns hold nothing: such a value reads as out
    // of range, never as some other number.
    void reading_data() {
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<Currency::TReading>("reading");
        using R = Currency::TReading;
        const double inf = std::numeric_limits<double>::infinity();
        QTest::newRow("1e300") << QVariant(1e300) << R::OutOfRange;
        QTest::newRow("-1e300") << QVariant(-1e300) << R::OutOfRange;
        QTest::newRow("infinity") << QVariant(inf) << R::OutOfRange;
        QTest::newRow("minus infinity") << QVariant(-inf) << R::OutOfRange;
        QTest::newRow("NaN") << QVariant(std::nan("")) << R::OutOfRange;
        QTest::newRow("real just beyond") << QVariant(922337203685478.0) << R::OutOfRange;
        QTest::newRow("real at the edge") << QVariant(922337203685477.0) << R::Amount;
        QTest::newRow("whole yuan beyond") << QVariant(qint64(922337203685478)) << R::OutOfRange;
        QTest::newRow("whole yuan at the edge") << QVariant(qint64(-922337203685477)) << R::Amount;
        QTest::newRow("largest unsigned") << QVariant(std::numeric_limits<quint64>::max())
                                          << R::OutOfRange;
        QTest::newRow("text beyond a double") << QVariant(QStringLiteral("1e400")) << R::OutOfRange;
        QTest::newRow("whole text beyond") << QVariant(QStringLiteral("922337203685478"))
                                           << R::OutOfRange;
        QTest::newRow("not a number") << QVariant(QStringLiteral("abc")) << R::Empty;
    }
    void reading() {
        QFETCH(QVariant, value);
        QFETCH(Currency::TReading, reading);
        qint64 units = -7;
        QCOMPARE(Currency::Read(value, units), reading);
        if (reading != Currency::TReading::Amount) QCOMPARE(units, qint64(-7));
        QCOMPARE(Currency::Text(value), reading == Currency::TReading::OutOfRange
                                            ? QStringLiteral("超出范围")
                                            : reading == Currency::TReading::Empty
                                                ? QString()
                                                : Currency::Text(units));
    }

    void total_data() {
        QTest::addColumn<QVariantList>("values");
        QTest::addColumn<QString>("text");
        QTest::newRow("amounts") << QVariantList{3000, QVariant(), -1234.0} << "￥1,766.00";
        QTest::newRow("a value out of range") << QVariantList{12, 1e300, -1e300} << "超出范围";
        QTest::newRow("the sum beyond the columns")
            << QVariantList{qint64(922337203685477), qint64(1)} << "超出范围";
        QTest::newRow("the sum below them")
            << QVariantList{qint64(-922337203685477), qint64(-1)} << "超出范围";
        QTest::newRow("back within them stays out of range")
            << QVariantList{qint64(922337203685477), qint64(1), qint64(-922337203685477)}
            << "超出范围";
    }
    void total() {
        QFETCH(QVariantList, values);
        QFETCH(QString, text);
        Currency::TTotal total;
        for (const QVariant& value : values)
            total.Add(value);
        QCOMPARE(total.Text(), text);
        QCOMPARE(total.OutOfRange(), text == QStringLiteral("超出范围"));
    }

    void valueText() {
        QCOMPARE(Currency::Text(QVariant(-25)), QStringLiteral("-￥25.00"));
        QCOMPARE(Currency::Text(QVariant(3000.0)), QStringLiteral("￥3,000.00"));
        QCOMPARE(Currency::Text(QVariant()), QString());
    }
};

QTEST_APPLESS_MAIN(TestCurrency)
#include "tst_currency.moc"
