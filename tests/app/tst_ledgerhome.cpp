#include "ScriptedPresenter.h"
#include "app/LedgerHome.h"
#include "data/Schema.h"

#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// Sets an environment variable for one test and restores it afterwards.
class TEnvironment {
public:
    TEnvironment(const char* name, const QString& value)
        : FName(name), FHad(qEnvironmentVariableIsSet(name)), FOld(qEnvironmentVariable(name)) {
        if (value.isNull())
            qunsetenv(name);
        else
            qputenv(name, value.toUtf8());
    }
    ~TEnvironment() {
        if (FHad)
            qputenv(FName, FOld.toUtf8());
        else
            qunsetenv(FName);
    }

private:
    const char* FName;
    bool FHad;
    QString FOld;
};

QVariant Scalar(const QString& file, const QString& sql) {
    QVariant value;
    {
        QSqlDatabase connection = QSqlDatabase::addDatabase("QSQLITE", "ledgerhome-check");
        connection.setDatabaseName(file);
        if (connection.open()) {
            QSqlQuery query(connection);
            if (query.exec(sql) && query.next()) value = query.value(0);
        }
        connection.close();
    }
    QSqlDatabase::removeDatabase("ledgerhome-check");
    return value;
}

} // namespace

class TestLedgerHome : public QObject {
    Q_OBJECT

    QTemporaryDir FDir;
    QString FStartDir;

private slots:
    void init() {
        FStartDir = QDir::currentPath();
        QVERIFY(FDir.isValid());
    }
    void cleanup() { QDir::setCurrent(FStartDir); }

    // The folder follows $PENNYVALE_HOME, else the user's data folder, as scripts/run does.
    void folderFromPennyvaleHome() {
        TEnvironment home("PENNYVALE_HOME", FDir.filePath("family"));
        QCOMPARE(LedgerHomeFolder(), FDir.filePath("family"));
    }
    void relativePennyvaleHomeIsTakenFromTheCurrentFolder() {
        QDir::setCurrent(FDir.path());
        TEnvironment home("PENNYVALE_HOME", "books/ours");
        QCOMPARE(LedgerHomeFolder(), FDir.filePath("books/ours"));
    }
    void folderInTheUsersDataFolder() {
        TEnvironment home("PENNYVALE_HOME", QString());
        TEnvironment data("XDG_DATA_HOME", FDir.filePath("data"));
        QCOMPARE(LedgerHomeFolder(), FDir.filePath("data/pennyvale"));
    }
    void emptyPennyvaleHomeCountsAsUnset() {
        TEnvironment home("PENNYVALE_HOME", "");
        TEnvironment data("XDG_DATA_HOME", FDir.filePath("data"));
        QCOMPARE(LedgerHomeFolder(), FDir.filePath("data/pennyvale"));
    }

    // From the build tree nothing moves: scripts/run and the screenshots choose the folder.
    void buildTreeKeepsTheCurrentFolder() {
        TEnvironment home("PENNYVALE_HOME", FDir.filePath("family"));
        TScriptedPresenter messages;
        QVERIFY(EnterLedgerHome(false));
        QCOMPARE(QDir::currentPath(), FStartDir);
        QVERIFY(!QFileInfo::exists(FDir.filePath("family")));
        QVERIFY(messages.Boxes.isEmpty());
    }

    void firstStartCreatesFolderAndLedger() {
        TEnvironment home("PENNYVALE_HOME", FDir.filePath("family/books"));
        TScriptedPresenter messages;
        QVERIFY(EnterLedgerHome(true));
        QCOMPARE(QDir::currentPath(), FDir.filePath("family/books"));
        const QString ledger = FDir.filePath("family/books/") + Schema::DatabasePath;
        QVERIFY(QFileInfo::exists(ledger));
        QCOMPARE(Scalar(ledger, "select LoginAccount from bPerson where PersonID = 1").toString(),
                 Schema::DefaultAccount);
        QVERIFY(messages.Boxes.isEmpty());
    }

    void laterStartsKeepTheLedger() {
        TEnvironment home("PENNYVALE_HOME", FDir.filePath("family"));
        TScriptedPresenter messages;
        QVERIFY(EnterLedgerHome(true));
        const QString ledger = FDir.filePath("family/") + Schema::DatabasePath;
        QCOMPARE(Scalar(ledger, "create table Kept(Mark integer)"), QVariant());
        QCOMPARE(Scalar(ledger, "insert into Kept values (7)"), QVariant());
        QDir::setCurrent(FStartDir);
        QVERIFY(EnterLedgerHome(true));
        QCOMPARE(QDir::currentPath(), FDir.filePath("family"));
        QCOMPARE(Scalar(ledger, "select Mark from Kept").toInt(), 7);
        QVERIFY(messages.Boxes.isEmpty());
    }

    void aFileInPlaceOfTheFolderIsReported() {
        QFile blocker(FDir.filePath("family"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        TEnvironment home("PENNYVALE_HOME", FDir.filePath("family"));
        TScriptedPresenter messages;
        QVERIFY(!EnterLedgerHome(true));
        QCOMPARE(QDir::currentPath(), FStartDir);
        QCOMPARE(messages.Boxes.size(), 1);
        QCOMPARE(messages.Boxes[0].Kind, TMessageKind::Error);
        QVERIFY2(messages.Boxes[0].Text.startsWith(QStringLiteral("无法进入账本文件夹")),
                 qPrintable(messages.Boxes[0].Text));
        QVERIFY(messages.Boxes[0].Text.contains(FDir.filePath("family")));
    }

    void aLedgerThatCannotBeMadeIsReported() {
        // DataBase is a file, so the ledger's folder cannot be made.
        QVERIFY(QDir().mkpath(FDir.filePath("family")));
        QFile blocker(FDir.filePath("family/DataBase"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        TEnvironment home("PENNYVALE_HOME", FDir.filePath("family"));
        TScriptedPresenter messages;
        QVERIFY(!EnterLedgerHome(true));
        QCOMPARE(messages.Boxes.size(), 1);
        QCOMPARE(messages.Boxes[0].Kind, TMessageKind::Error);
        QVERIFY2(messages.Boxes[0].Text.startsWith(QStringLiteral("无法在 ")),
                 qPrintable(messages.Boxes[0].Text));
    }
};

QTEST_MAIN(TestLedgerHome)
#include "tst_ledgerhome.moc"
