#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

// The program itself, run as the README's run command runs it: `pennyvale --create-database`.
class TestProgram : public QObject {
    Q_OBJECT

    QString FProgram;

    // Runs the create step in folder; returns the process, finished.
    std::unique_ptr<QProcess> StartCreate(const QString& folder) {
        auto process = std::make_unique<QProcess>();
        process->setWorkingDirectory(folder);
        process->start(FProgram, {QStringLiteral("--create-database")});
        return process;
    }

    static int PersonCount(const QString& path, const QString& connectionName) {
        int count = -1;
        {
            auto connection = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connectionName);
            connection.setDatabaseName(path);
            if (connection.open()) {
                QSqlQuery query(connection);
                if (query.exec(QStringLiteral("select count(*) from bPerson")) && query.next())
                    count = query.value(0).toInt();
            }
        }
        QSqlDatabase::removeDatabase(connectionName);
        return count;
    }

private Q_SLOTS:
    void initTestCase() {
        FProgram = QCoreApplication::applicationDirPath() + QStringLiteral("/pennyvale");
        QVERIFY2(QFileInfo(FProgram).isExecutable(), qPrintable(FProgram));
    }

    void createsACompleteLedger() {
        QTemporaryDir dir;
        auto run = StartCreate(dir.path());
        QVERIFY(run->waitForFinished(30000));
        QCOMPARE(run->exitCode(), 0);
        const QString path = dir.filePath(QStringLiteral("DataBase/Hearthbook.mdb"));
        QCOMPARE(PersonCount(path, QStringLiteral("one")), 1);
        // a second run refuses and leaves the ledger alone
        const QByteArray before = [&] {
            QFile file(path);
            return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        }();
        auto again = StartCreate(dir.path());
        QVERIFY(again->waitForFinished(30000));
        QCOMPARE(again->exitCode(), 1);
        QVERIFY(
            QString::fromUtf8(again->readAllStandardError()).contains(QStringLiteral("已经存在")));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), before);
    }

    // A ledger gone while its backups are there: the create step leaves the place free for the
    // start's offer of the backups, and says so without failing; a file that is not a backup
    // does not count.
    void aLedgerGoneWithItsBackupsIsNotCreatedAgain() {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("DataBase/Backup")));
        const QString copy =
            dir.filePath(QStringLiteral("DataBase/Backup/Hearthbook-20261207-1030.mdb"));
        QFile file(copy);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        auto run = StartCreate(dir.path());
        QVERIFY(run->waitForFinished(30000));
        QCOMPARE(run->exitCode(), 0);
        const QString out = QString::fromUtf8(run->readAllStandardOutput());
        QVERIFY2(out.contains(QStringLiteral("没有新建账本")), qPrintable(out));
        QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("DataBase/Hearthbook.mdb"))));

        QVERIFY(QFile::rename(copy,
                              dir.filePath(QStringLiteral("DataBase/Backup/Hearthbook-copy.mdb"))));
        auto again = StartCreate(dir.path());
        QVERIFY(again->waitForFinished(30000));
        QCOMPARE(again->exitCode(), 0);
        QCOMPARE(PersonCount(dir.filePath(QStringLiteral("DataBase/Hearthbook.mdb")),
                             QStringLiteral("after")),
                 1);
    }

    // Two create steps at the same moment in one folder: exactly one wins, the other says the
    // ledger exists, and the ledger is always complete, with no partial file left behind.
    void twoCreatesAtOnceLeaveOneCompleteLedger() {
        constexpr int Rounds = 30;
        for (int round = 0; round < Rounds; ++round) {
            QTemporaryDir dir;
            auto first = StartCreate(dir.path());
            auto second = StartCreate(dir.path());
            QVERIFY(first->waitForFinished(30000));
            QVERIFY(second->waitForFinished(30000));
            const int codes[] = {first->exitCode(), second->exitCode()};
            const QString context = QStringLiteral("round %1: exit codes %2 and %3; %4 %5")
                                        .arg(round)
                                        .arg(codes[0])
                                        .arg(codes[1])
                                        .arg(QString::fromUtf8(first->readAllStandardError()),
                                             QString::fromUtf8(second->readAllStandardError()));
            QVERIFY2((codes[0] == 0) != (codes[1] == 0), qPrintable(context));
            QVERIFY2(codes[0] + codes[1] == 1, qPrintable(context));
            const QString path = dir.filePath(QStringLiteral("DataBase/Hearthbook.mdb"));
            QVERIFY2(QFileInfo(path).size() > 0, qPrintable(context));
            QCOMPARE(PersonCount(path, QStringLiteral("round%1").arg(round)), 1);
            const QStringList left =
                QDir(dir.filePath(QStringLiteral("DataBase")))
                    .entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
            QCOMPARE(left, QStringList{QStringLiteral("Hearthbook.mdb")});
        }
    }

    // A create step where no folder can be made names the folder and the reason.
    void createWhereNothingCanBeWritten() {
        auto run = StartCreate(QStringLiteral("/proc"));
        QVERIFY(run->waitForFinished(30000));
        QCOMPARE(run->exitCode(), 1);
        const QString text = QString::fromUtf8(run->readAllStandardError());
        QVERIFY2(text.contains(QStringLiteral("/proc/DataBase")), qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("权限")), qPrintable(text));
    }

    // With a folder the user cannot write to (not testable as root, who may write anywhere).
    void createInAnUnwritableFolder() {
        if (::geteuid() == 0) QSKIP("root may write to any folder");
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("DataBase")));
        const QString folder = dir.filePath(QStringLiteral("DataBase"));
        QVERIFY(QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
        auto run = StartCreate(dir.path());
        QVERIFY(run->waitForFinished(30000));
        QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                          QFileDevice::ExeOwner);
        QCOMPARE(run->exitCode(), 1);
        const QString text = QString::fromUtf8(run->readAllStandardError());
        QVERIFY2(text.contains(folder), qPrintable(text));
        QVERIFY2(!text.contains(QStringLiteral("Error opening database")), qPrintable(text));
    }
};

QTEST_GUILESS_MAIN(TestProgram)
#include "tst_program.moc"
