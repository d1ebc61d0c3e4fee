#include "data/query/DayNumber.h"
#include "data/engine/SqlText.h"

#include <QTest>

class TestDayNumber : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void text_data() {
        QTest::addColumn<QDateTime>("moment");
        QTest::addColumn<QString>("text");
        auto at = [](int y, int m, int d, int h = 0, int min = 0) {
            return QDateTime(QDate(y, m, d), QTime(h, min));
        };
        QTest::newRow("epoch") << at(1899, 12, 30) << "0";
        QTest::newRow("day before epoch") << at(1899, 12, 29) << "-1";
        QTest::newRow("1 Dec 2026") << at(2026, 12, 1) << "46357";
        QTest::newRow("1 Dec 2026 18:00") << at(2026, 12, 1, 18) << "46357.75";
        QTest::newRow("30 Nov 2026") << at(2026, 11, 30) << "46356";
        QTest::newRow("31 Dec 2026") << at(2026, 12, 31) << "46387";
        QTest::newRow("7 Dec 2026 10:30") << at(2026, 12, 7, 10, 30) << "46363.4375";
        QTest::newRow("a third of a day") << at(2026, 12, 1, 8) << "46357.3333333333";
        QTest::newRow("29 Feb 2028") << at(2028, 2, 29) << "46812";
        QTest::newRow("year 9999") << at(9999, 12, 31) << "2958465";
    }
    void text() {
        QFETCH(QDateTime, moment);
        QFETCH(QString, text);
        QCOMPARE(DayNumber::Text(moment), text);
        QVERIFY(!text.contains(u'e') && !text.contains(u','));
    }

    void roundTrip_data() {
        QTest::addColumn<QDateTime>("moment");
        QTest::newRow("midnight") << QDateTime(QDate(2026, 12, 7), QTime(0, 0));
        QTest::newRow("afternoon") << QDateTime(QDate(2026, 12, 7), QTime(15, 45, 12, 250));
        QTest::newRow("last millisecond") << QDateTime(QDate(2026, 12, 31), QTime(23, 59, 59, 999));
        QTest::newRow("before epoch") << QDateTime(QDate(1850, 1, 1), QTime(0, 0));
    }
    void roundTrip() {
        QFETCH(QDateTime, moment);
        QCOMPARE(DayNumber::ToDateTime(DayNumber::FromDateTime(moment)), moment);
    }

    void sqlTextDoublesApostrophes_data() {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("spliced");
        QTest::newRow("plain") << "妈妈"
                               << "妈妈";
        QTest::newRow("one quote") << "O'Brien"
                                   << "O''Brien";
        QTest::newRow("injection") << "x' or '1'='1"
                                   << "x'' or ''1''=''1";
        QTest::newRow("only quotes") << "''"
                                     << "''''";
        QTest::newRow("empty") << ""
                               << "";
    }
    void sqlTextDoublesApostrophes() {
        QFETCH(QString, value);
        QFETCH(QString, spliced);
        QCOMPARE(SqlText(value), spliced);
    }
};

QTEST_GUILESS_MAIN(TestDayNumber)
#include "tst_daynumber.moc"
