#include "HostileBook.h"
#include "PgServer.h"
#include "data/BookCopy.h"
#include "data/Schema.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

// The copy of a book's rows between engines and its check: the same book gives the same figures
// on a file and on a server, and a copy that differs in any value is told, naming the table and
// the column.
class TestBookCopy : public QObject {
    Q_OBJECT

    QTemporaryDir FDir;
    QSqlDatabase FFile;
    QSqlDatabase FServer;

private Q_SLOTS:
    void initTestCase() {
        const QString path = FDir.filePath(QStringLiteral("book.mdb"));
        HostileBook::WriteFile(path, 2000);
        FFile = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("file"));
        FFile.setDatabaseName(path);
        QVERIFY(FFile.open());
        FServer = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("server"));
        TPgServer::Shared().NewDatabase().ApplyTo(FServer);
        QVERIFY(FServer.open());
    }
    void cleanupTestCase() {
        FFile.close();
        FServer.close();
    }

    // Each row changes one value of the copy (inside its transaction, rolled back after); the
    // unchanged copy has the file's figures on the server, every column of every table counted.
    void differenceNamesTheChange_data() {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QString>("told");
        QTest::newRow("nothing") << QString() << QString();
        QTest::newRow("amount by a ten-thousandth")
            << "update fPayout set PayoutAccount = PayoutAccount + 0.0001 where PayoutID = 5"
            << QStringLiteral("收支记录（fPayout）的 PayoutAccount 列合计");
        QTest::newRow("day by a second")
            << "update fPayout set UseDate = UseDate + 1.0 / 86400 where PayoutID = 5"
            << QStringLiteral("的 UseDate 列合计");
        QTest::newRow("text one character shorter")
            << "update fDiary set Diary = substr(Diary, 2) where DiaryID = 1"
            << QStringLiteral("日志（fDiary）的 Diary 列合计");
        QTest::newRow("key of an import")
            << "update fBillImport set PayoutID = PayoutID + 1 where PayoutID = 3"
            << QStringLiteral("账单导入记录（fBillImport）的 PayoutID 列合计");
        QTest::newRow("row missing") << "delete from bLedgerInfo"
                                     << QStringLiteral("账本信息（bLedgerInfo）的行数：源 1，副本 0");
    }
    void differenceNamesTheChange() {
        QFETCH(QString, change);
        QFETCH(QString, told);
        QVERIFY(FFile.transaction());
        QVERIFY(FServer.transaction());
        Schema::CreateTables(FServer);
        const QList<qint64> counts = BookCopy::CopyRows(FFile, FServer);
        QCOMPARE(counts, (QList<qint64>{4, 30, 2000, 60, 40, 12, 1}));
        if (!change.isEmpty()) QVERIFY(QSqlQuery(FServer).exec(change));
        const QList<BookCopy::TFigures> source = BookCopy::Figures(FFile);
        const QList<BookCopy::TFigures> copy = BookCopy::Figures(FServer);
        QVERIFY(FServer.rollback());
        QVERIFY(FFile.rollback());
        const QString difference = BookCopy::Difference(source, copy);
        if (told.isEmpty()) {
            QCOMPARE(difference, QString());
            for (const BookCopy::TFigures& table : source) // a figure of 0 would check nothing
                QVERIFY2(!table.Sums.contains(0), qPrintable(table.Table));
        } else {
            QVERIFY2(difference.contains(told), qPrintable(difference));
        }
    }
};

QTEST_GUILESS_MAIN(TestBookCopy)
#include "tst_bookcopy.moc"
