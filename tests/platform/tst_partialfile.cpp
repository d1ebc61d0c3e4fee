#include "platform/PartialFile.h"

#include "Files.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <optional>

// A file written under a hidden name beside the file it becomes: given that name whole or not at
// all, never replacing a file there unless asked, and never left behind.
class TestPartialFile : public QObject {
    Q_OBJECT

    std::optional<QTemporaryDir> FDir;

    QString Path(const QString& name) const { return FDir->filePath(name); }
    QStringList Files() const {
        return QDir(FDir->path()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }

private Q_SLOTS:
    void init() {
        FDir.emplace();
        WriteAll(Path("source"), "new content");
    }

    // Named after its target, hidden, so that the removal of stale ones finds it; nothing is made
    // until asked.
    void isHiddenBesideItsTarget() {
        TPartialFile partial(Path("Hearthbook.mdb"));
        QVERIFY(partial.Path().startsWith(Path(".Hearthbook.mdb.")));
        QVERIFY(partial.Path().endsWith(".partial"));
        QCOMPARE(Files(), QStringList{"source"});
        QCOMPARE(partial.Create(), QString());
        QCOMPARE(ReadAll(partial.Path()), QByteArray());
        QCOMPARE(Files(), (QStringList{QFileInfo(partial.Path()).fileName(), "source"}));
    }

    void placeGivesTheName_data() {
        QTest::addColumn<bool>("over");
        QTest::newRow("no file there") << false;
        QTest::newRow("over the file there") << true;
    }
    // Placed, the target holds the content; the partial file and its journal are gone.
    void placeGivesTheName() {
        QFETCH(bool, over);
        if (over) WriteAll(Path("Hearthbook.mdb"), "old content");
        {
            TPartialFile partial(Path("Hearthbook.mdb"));
            QCOMPARE(partial.CopyFrom(Path("source")), QString());
            WriteAll(partial.Path() + "-journal", "journal");
            QString reason;
            QVERIFY(over ? partial.PlaceOver(Path("Hearthbook.mdb"), &reason)
                         : partial.Place(Path("Hearthbook.mdb"), &reason));
            QCOMPARE(reason, QString());
        }
        QCOMPARE(ReadAll(Path("Hearthbook.mdb")), QByteArray("new content"));
        QCOMPARE(Files(), (QStringList{"Hearthbook.mdb", "source"}));
    }

    // A file at the target stays as it was, the refusal says why, and the partial file stays for
    // another name until the write ends.
    void placeNeverReplaces() {
        WriteAll(Path("Hearthbook.mdb"), "old content");
        {
            TPartialFile partial(Path("Hearthbook.mdb"));
            QCOMPARE(partial.CopyFrom(Path("source")), QString());
            QString reason;
            QVERIFY(!partial.Place(Path("Hearthbook.mdb"), &reason));
            QVERIFY(!reason.isEmpty());
            QCOMPARE(ReadAll(Path("Hearthbook.mdb")), QByteArray("old content"));
            QVERIFY(partial.Place(Path("Hearthbook-2.mdb")));
        }
        QCOMPARE(ReadAll(Path("Hearthbook-2.mdb")), QByteArray("new content"));
        QCOMPARE(Files(), (QStringList{"Hearthbook-2.mdb", "Hearthbook.mdb", "source"}));
    }

    void notPlacedLeavesNothing_data() {
        QTest::addColumn<QString>("source"); // empty: created empty
        QTest::newRow("created") << QString();
        QTest::newRow("copied") << "source";
        QTest::newRow("copy of a missing file") << "missing";
    }
    // A write that ends before its file is placed (a failure, a cancel, an exception) leaves
    // nothing behind: neither the partial file nor a journal beside it.
    void notPlacedLeavesNothing() {
        QFETCH(QString, source);
        {
            TPartialFile partial(Path("Hearthbook.mdb"));
            const QString failure =
                source.isEmpty() ? partial.Create() : partial.CopyFrom(Path(source));
            QCOMPARE(failure.isEmpty(), source != "missing");
            WriteAll(partial.Path() + "-journal", "journal");
        }
        QCOMPARE(Files(), QStringList{"source"});
    }

    void staleLeftoversGo_data() {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("family");
        QTest::addColumn<QString>("stale");
        QTest::addColumn<QString>("fresh");
        QTest::addColumn<QString>("other"); // a partial file of another file, as old
        QTest::newRow("of the target") << "Hearthbook.mdb"
                                       << ""
                                       << ".Hearthbook.mdb.0f.partial"
                                       << ".Hearthbook.mdb.1e.partial"
                                       << ".Hearthbook-20261206-2100.mdb.0f.partial";
        QTest::newRow("of a family") << "Hearthbook-20261207-1030.mdb"
                                     << "Hearthbook-*"
                                     << ".Hearthbook-20261206-2100.mdb.0f.partial"
                                     << ".Hearthbook-20261207-1029.mdb.1e.partial"
                                     << ".Hearthbook.mdb.0f.partial";
    }
    // What a killed write left an hour ago goes, with its journal, when the next write beside it
    // starts; a write going on right now, and the partial files of other files, stay.
    void staleLeftoversGo() {
        QFETCH(QString, target);
        QFETCH(QString, family);
        QFETCH(QString, stale);
        QFETCH(QString, fresh);
        QFETCH(QString, other);
        for (const QString& name : {stale, stale + "-journal", other})
            WriteAged(Path(name), "partial", 2 * 3600);
        WriteAll(Path(fresh), "partial");
        TPartialFile partial(Path(target), family);
        QStringList left{fresh, other, "source"};
        left.sort();
        QCOMPARE(Files(), left);
    }
};

QTEST_GUILESS_MAIN(TestPartialFile)
#include "tst_partialfile.moc"
