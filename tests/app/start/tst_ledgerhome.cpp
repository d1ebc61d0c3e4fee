#include "ScriptedPresenter.h"
#include "app/start/LedgerHome.h"
#include "data/Schema.h"

#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

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

    std::unique_ptr<QTemporaryDir> FFolder; // a fresh one for every test
    QString FStartDir;

    QString Path(const QString& name = QString()) const {
        return name.isEmpty() ? FFolder->path() : FFolder->filePath(name);
    }

private slots:
    void init() {
        FStartDir = QDir::currentPath();
        FFolder = std::make_unique<QTemporaryDir>();
        QVERIFY(FFolder->isValid());
    }
    void cleanup() {
        QDir::setCurrent(FStartDir);
        FFolder.reset();
    }

    // The folder follows $PENNYVALE_HOME, else the user's data folder, as scripts/run does.
    void folderFromPennyvaleHome() {
        TEnvironment home("PENNYVALE_HOME", Path("family"));
        QCOMPARE(LedgerHomeFolder(), Path("family"));
    }
    void relativePennyvaleHomeIsTakenFromTheCurrentFolder() {
        QDir::setCurrent(Path());
        TEnvironment home("PENNYVALE_HOME", "books/ours");
        QCOMPARE(LedgerHomeFolder(), Path("books/ours"));
    }
    void folderInTheUsersDataFolder() {
        TEnvironment home("PENNYVALE_HOME", QString());
        TEnvironment data("XDG_DATA_HOME", Path("data"));
        QCOMPARE(LedgerHomeFolder(), Path("data/pennyvale"));
    }
    void emptyPennyvaleHomeCountsAsUnset() {
        TEnvironment home("PENNYVALE_HOME", "");
        TEnvironment data("XDG_DATA_HOME", Path("data"));
        QCOMPARE(LedgerHomeFolder(), Path("data/pennyvale"));
    }

    // From the build tree nothing moves: scripts/run and the screenshots choose the folder.
    void buildTreeKeepsTheCurrentFolder() {
        TEnvironment home("PENNYVALE_HOME", Path("family"));
        TScriptedPresenter messages;
        QVERIFY(EnterLedgerHome(false));
        QCOMPARE(QDir::currentPath(), FStartDir);
        QVERIFY(!QFileInfo::exists(Path("family")));
        QVERIFY(messages.Boxes.isEmpty());
    }

    void firstStartCreatesFolderAndLedger() {
        TEnvironment home("PENNYVALE_HOME", Path("family/books"));
        TScriptedPresenter messages;
        QVERIFY(EnterLedgerHome(true));
        QCOMPARE(QDir::currentPath(), Path("family/books"));
        const QString ledger = Path("family/books/") + Schema::DatabasePath;
        QVERIFY(QFileInfo::exists(ledger));
        QCOMPARE(Scalar(ledger, "select LoginAccount from bPerson where PersonID = 1").toString(),
                 Schema::DefaultAccount);
        QVERIFY(messages.Boxes.isEmpty());
    }

    void laterStartsKeepTheLedger() {
        TEnvironment home("PENNYVALE_HOME", Path("family"));
        TScriptedPresenter messages;
        QVERIFY(EnterLedgerHome(true));
        const QString ledger = Path("family/") + Schema::DatabasePath;
        QCOMPARE(Scalar(ledger, "create table Kept(Mark integer)"), QVariant());
        QCOMPARE(Scalar(ledger, "insert into Kept values (7)"), QVariant());
        QDir::setCurrent(FStartDir);
        QVERIFY(EnterLedgerHome(true));
        QCOMPARE(QDir::currentPath(), Path("family"));
        QCOMPARE(Scalar(ledger, "select Mark from Kept").toInt(), 7);
        QVERIFY(messages.Boxes.isEmpty());
    }

    // A ledger gone while its backups are there is not replaced by an empty one: the start
    // offers the backups instead.
    void aLedgerGoneWithItsBackupsIsNotCreatedAgain() {
        TEnvironment home("PENNYVALE_HOME", Path("family"));
        TScriptedPresenter messages;
        QVERIFY(QDir().mkpath(Path("family/DataBase/Backup")));
        QFile copy(Path("family/DataBase/Backup/Hearthbook-20261207-1030.mdb"));
        QVERIFY(copy.open(QIODevice::WriteOnly));
        copy.close();
        QVERIFY(EnterLedgerHome(true));
        QCOMPARE(QDir::currentPath(), Path("family"));
        QVERIFY(!QFileInfo::exists(Path("family/") + Schema::DatabasePath));
        QVERIFY(messages.Boxes.isEmpty());
        // Other files there are no backups: a first start still gets its ledger.
        QVERIFY(QFile::rename(copy.fileName(), Path("family/DataBase/Backup/notes.mdb")));
        QDir::setCurrent(FStartDir);
        QVERIFY(EnterLedgerHome(true));
        QVERIFY(QFileInfo::exists(Path("family/") + Schema::DatabasePath));
    }

    void aFileInPlaceOfTheFolderIsReported() {
        QFile blocker(Path("family"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        TEnvironment home("PENNYVALE_HOME", Path("family"));
        TScriptedPresenter messages;
        QVERIFY(!EnterLedgerHome(true));
        QCOMPARE(QDir::currentPath(), FStartDir);
        QCOMPARE(messages.Boxes.size(), 1);
        QCOMPARE(messages.Boxes[0].Kind, TMessageKind::Error);
        QVERIFY2(messages.Boxes[0].Text.startsWith(QStringLiteral("无法进入账本文件夹")),
                 qPrintable(messages.Boxes[0].Text));
        QVERIFY(messages.Boxes[0].Text.contains(Path("family")));
    }

    void aLedgerThatCannotBeMadeIsReported() {
        // DataBase is a file, so the ledger's folder cannot be made.
        QVERIFY(QDir().mkpath(Path("family")));
        QFile blocker(Path("family/DataBase"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        TEnvironment home("PENNYVALE_HOME", Path("family"));
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
