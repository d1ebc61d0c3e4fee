#include "app/start/ImportBillCommand.h"
#include "app/start/ProgramArguments.h"
#include "platform/Exception.h"

#include <QTest>

// The command line read once for every command and the window: options anywhere after the
// program's name, the usage for what does not fit.
class TestProgramArguments : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void fitting_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("command");
        QTest::addColumn<QStringList>("values");
        QTest::addColumn<QString>("account");
        QTest::addColumn<QString>("ledger");
        QTest::newRow("window") << QStringList{} << "" << QStringList{} << "" << "";
        QTest::newRow("window on a server")
            << QStringList{"--ledger", "postgresql:///book"} << "" << QStringList{} << ""
            << "postgresql:///book";
        QTest::newRow("ledger last")
            << QStringList{"--import-bill", "bill.csv", "--account", "anna", "--ledger", "x.mdb"}
            << "--import-bill" << QStringList{"bill.csv"} << "anna" << "x.mdb";
        QTest::newRow("ledger first")
            << QStringList{"--ledger", "x.mdb", "--import-bill", "bill.csv", "--account", "anna"}
            << "--import-bill" << QStringList{"bill.csv"} << "anna" << "x.mdb";
        QTest::newRow("account before the file")
            << QStringList{"--export-csv", "--account", "anna", "book.csv"} << "--export-csv"
            << QStringList{"book.csv"} << "anna" << "";
        QTest::newRow("create on a server")
            << QStringList{"--create-database", "--ledger", "postgresql:///book"}
            << "--create-database" << QStringList{} << "" << "postgresql:///book";
    }
    void fitting() {
        QFETCH(QStringList, arguments);
        QFETCH(QString, command);
        QFETCH(QStringList, values);
        QFETCH(QString, account);
        QFETCH(QString, ledger);
        const TProgramArguments read = TProgramArguments::Read(arguments);
        QCOMPARE(read.Command, command);
        QCOMPARE(read.Values, values);
        QCOMPARE(read.Option("--account"), account);
        QCOMPARE(read.HasLedger, !ledger.isEmpty());
        QCOMPARE(read.Ledger, ledger);
    }

    void checkStartIsTheWindows() {
        QVERIFY(TProgramArguments::Read(QStringList{"--check-start"}).CheckStart);
    }

    // A command's own usage for what it does not take; every way to start for the window.
    void notFitting_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("usage");
        const QString all = TProgramArguments::UsageText();
        QTest::newRow("unknown option") << QStringList{"--whatever"}
                                        << QString("不认识的参数“--whatever”。\n") + all;
        QTest::newRow("unknown option with a value")
            << QStringList{"--colour", "blue"} << QString("不认识的参数“--colour”。\n") + all;
        QTest::newRow("a file for the window") << QStringList{"bill.csv"} << all;
        QTest::newRow("ledger without its value") << QStringList{"--ledger"}
                                                  << QString("参数“--ledger”后面缺少它的值。\n") + all;
        QTest::newRow("account without its value")
            << QStringList{"--import-bill", "b.csv", "--account"}
            << QString("参数“--account”后面缺少它的值。\n") + ImportBillCommand::UsageText;
        QTest::newRow("ledger twice")
            << QStringList{"--ledger", "a.mdb", "--backup", "--ledger", "b.mdb"}
            << "用法：pennyvale --backup [--ledger 账本位置]";
        QTest::newRow("two commands") << QStringList{"--backup", "--restore", "a.mdb"}
                                      << "用法：pennyvale --backup [--ledger 账本位置]";
        QTest::newRow("a command's option elsewhere")
            << QStringList{"--backup", "--account", "anna"}
            << "用法：pennyvale --backup [--ledger 账本位置]";
        QTest::newRow("account twice")
            << QStringList{"--import-bill", "b.csv", "--account", "a", "--account", "b"}
            << ImportBillCommand::UsageText;
        QTest::newRow("empty file") << QStringList{"--import-bill", "", "--account", "a"}
                                    << ImportBillCommand::UsageText;
        QTest::newRow("check-start for a command")
            << QStringList{"--backup", "--check-start"} << "用法：pennyvale --backup [--ledger 账本位置]";
    }
    void notFitting() {
        QFETCH(QStringList, arguments);
        QFETCH(QString, usage);
        try {
            TProgramArguments::Read(arguments);
            QFAIL("accepted");
        } catch (const EArgumentError& error) {
            QCOMPARE(error.Message, usage);
        }
    }
};

QTEST_GUILESS_MAIN(TestProgramArguments)
#include "tst_programarguments.moc"
