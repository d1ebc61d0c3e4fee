#include "Files.h"
#include "platform/Exception.h"
#include "platform/GbkCodec.h"
#include "settings/TreeIni.h"

#include "ScriptedPresenter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

namespace {

// GBK bytes of the names the program uses.
const QByteArray SystemGbk = "\xcf\xb5\xcd\xb3";                         // 系统
const QByteArray DefaultAccountGbk = "\xc4\xac\xc8\xcf\xd5\xca\xbb\xa7"; // 默认帐户
const QString System = QStringLiteral("系统");
const QString DefaultAccount = QStringLiteral("默认帐户");

} // namespace

class TestTreeIni : public QObject {
    Q_OBJECT

    QTemporaryDir FDir;
    QString Path() const { return FDir.filePath(QStringLiteral("fClient.ini")); }

private slots:
    void init() {
        QVERIFY(FDir.isValid());
        QDir(FDir.path()).removeRecursively();
        QDir().mkpath(FDir.path());
    }

    // Each step is "open:<key>" or "close"; the current key is checked after the last one.
    void keyPaths_data() {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QString>("current");
        QTest::newRow("root") << QStringList{} << QString();
        QTest::newRow("one key") << QStringList{"open:系统"} << System;
        QTest::newRow("nested") << QStringList{"open:系统", "open:界面"}
                                << QStringLiteral("系统\\界面");
        QTest::newRow("nested path at once")
            << QStringList{"open:系统\\界面\\颜色"} << QStringLiteral("系统\\界面\\颜色");
        QTest::newRow("close returns one level")
            << QStringList{"open:系统", "open:界面", "close"} << System;
        QTest::newRow("second close returns to the root")
            << QStringList{"open:系统", "open:界面", "close", "close"} << QString();
        QTest::newRow("close at the root does nothing")
            << QStringList{"close", "close"} << QString();
        QTest::newRow("leading backslash opens from the root")
            << QStringList{"open:系统", "open:界面", "open:\\系统"} << System;
        QTest::newRow("backslash alone is the root")
            << QStringList{"open:系统", "open:\\"} << QString();
        QTest::newRow("leading backslash at the root")
            << QStringList{"open:\\a\\b"} << QStringLiteral("a\\b");
        QTest::newRow("close cuts at the last backslash")
            << QStringList{"open:a\\b\\c", "close"} << QStringLiteral("a\\b");
    }

    void keyPaths() {
        QFETCH(QStringList, steps);
        QFETCH(QString, current);
        TIniSetting setting(Path());
        for (const QString& step : steps) {
            if (step == QLatin1String("close"))
                setting.CloseKey();
            else
                QVERIFY(setting.OpenKey(step.mid(5), true));
        }
        QCOMPARE(setting.CurrentKey(), current);
    }

    void expandKey_data() {
        QTest::addColumn<QString>("current");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("expanded");
        QTest::newRow("at the root") << QString() << QStringLiteral("a") << QStringLiteral("a");
        QTest::newRow("below a key")
            << QStringLiteral("a") << QStringLiteral("b") << QStringLiteral("a\\b");
        QTest::newRow("from the root")
            << QStringLiteral("a") << QStringLiteral("\\b") << QStringLiteral("b");
        QTest::newRow("only the first backslash goes")
            << QStringLiteral("a") << QStringLiteral("\\\\b") << QStringLiteral("\\b");
        QTest::newRow("empty key below a key")
            << QStringLiteral("a") << QString() << QStringLiteral("a\\");
    }

    void expandKey() {
        QFETCH(QString, current);
        QFETCH(QString, key);
        QFETCH(QString, expanded);
        TIniSetting setting(Path());
        if (!current.isEmpty()) setting.OpenKey(current, true);
        QCOMPARE(setting.ExpandKey(key), expanded);
    }

    void openKeyWithoutCreating_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<bool>("opened");
        QTest::newRow("existing section") << System << true;
        QTest::newRow("a section below it exists") << QStringLiteral("Parent") << true;
        QTest::newRow("the full path below") << QStringLiteral("Parent\\Child") << true;
        QTest::newRow("case matters here") << QStringLiteral("parent") << false;
        QTest::newRow("a prefix without backslash") << QStringLiteral("Par") << false;
        QTest::newRow("missing") << QStringLiteral("Nope") << false;
        QTest::newRow("from the root") << QStringLiteral("\\Parent") << true;
    }

    void openKeyWithoutCreating() {
        QFETCH(QString, key);
        QFETCH(bool, opened);
        WriteAll(Path(), "[" + SystemGbk + "]\r\nk=1\r\n[Parent\\Child]\r\nk=1\r\n");
        TIniSetting setting(Path());
        QCOMPARE(setting.OpenKey(key, false), opened);
        QCOMPARE(setting.CurrentKey(),
                 opened ? QString(key).remove(0, key.startsWith('\\')) : QString());
    }

    void sectionsAreListedOnce() {
        TIniSetting setting(Path());
        QVERIFY(setting.OpenKey(QStringLiteral("New"), true));
        setting.WriteValue(QStringLiteral("k"), QStringLiteral("v"));
        setting.CloseKey();
        // The section came into being after the object was made, so it is not seen here.
        QVERIFY(!setting.OpenKey(QStringLiteral("New"), false));
        QCOMPARE(setting.CurrentKey(), QString());
        QCOMPARE(setting.ReadValue(QStringLiteral("k")), QString());
    }

    // The file the program writes after a login, byte for byte.
    void clientFileBytes() {
        {
            TIniSetting setting(Path());
            setting.OpenKey(System, true);
            QCOMPARE(setting.ReadValue(DefaultAccount), QString());
            setting.WriteValue(DefaultAccount, QStringLiteral("张三"));
            setting.CloseKey();
            QVERIFY(!QFileInfo::exists(Path())); // written when the object goes
        }
        QCOMPARE(ReadAll(Path()), QByteArray("[" + SystemGbk + "]\r\n" + DefaultAccountGbk +
                                             "=\"\xd5\xc5\xc8\xfd\"\r\n\r\n"));
        TIniSetting again(Path());
        again.OpenKey(System, true);
        QCOMPARE(again.ReadValue(DefaultAccount), QStringLiteral("张三"));
    }

    void valuesInOrderOfFirstWrite() {
        {
            TIniSetting setting(Path());
            setting.OpenKey(System, true);
            setting.WriteValue(QStringLiteral("b"), QStringLiteral("1"));
            setting.WriteValue(QStringLiteral("a"), QStringLiteral("2"));
            setting.WriteValue(QStringLiteral("B"), QStringLiteral("3"));
        }
        QCOMPARE(ReadAll(Path()), QByteArray("[" + SystemGbk + "]\r\nB=\"3\"\r\na=\"2\"\r\n\r\n"));
    }

    void readValue_data() {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<QString>("expected");
        QTest::newRow("quoted") << QByteArray("\"admin\"") << QStringLiteral("admin");
        QTest::newRow("blanks inside the quotes trimmed")
            << QByteArray("\"  ad min \"") << QStringLiteral("ad min");
        QTest::newRow("unquoted, trimmed") << QByteArray("  admin\t") << QStringLiteral("admin");
        QTest::newRow("only an opening quote loses the last character")
            << QByteArray("\"admin") << QStringLiteral("admi");
        QTest::newRow("a lone quote") << QByteArray("\"") << QString();
        QTest::newRow("empty quotes") << QByteArray("\"\"") << QString();
        QTest::newRow("empty") << QByteArray() << QString();
        QTest::newRow("quote inside") << QByteArray("\"a\"b\"") << QStringLiteral("a\"b");
        QTest::newRow("closing quote only") << QByteArray("admin\"") << QStringLiteral("admin\"");
        QTest::newRow("GBK") << QByteArray("\"\xd5\xc5\xc8\xfd\"") << QStringLiteral("张三");
        QTest::newRow("a byte that is no GBK character survives")
            << QByteArray("\"\xff\"") << Gbk::ToUnicode("\xff");
    }

    void readValue() {
        QFETCH(QByteArray, stored);
        QFETCH(QString, expected);
        WriteAll(Path(), "[" + SystemGbk + "]\r\n" + DefaultAccountGbk + "=" + stored + "\r\n");
        TIniSetting setting(Path());
        setting.OpenKey(System, true);
        QCOMPARE(setting.ReadValue(DefaultAccount), expected);
        QCOMPARE(setting.ReadValue(QStringLiteral("missing")), QString());
        QCOMPARE(Gbk::FromUnicode(setting.ReadValue(DefaultAccount)),
                 Gbk::FromUnicode(expected)); // the same bytes, not just the same look
    }

    void blanksAroundTheAccountAreKeptInTheFile() {
        {
            TIniSetting setting(Path());
            setting.OpenKey(System, true);
            setting.WriteValue(DefaultAccount, QStringLiteral("  admin "));
            QCOMPARE(setting.ReadValue(DefaultAccount), QStringLiteral("admin"));
        }
        QCOMPARE(ReadAll(Path()), QByteArray("[" + SystemGbk + "]\r\n" + DefaultAccountGbk +
                                             "=\"  admin \"\r\n\r\n"));
    }

    // The quoted value cut to 255 bytes, then the line cut to 255 bytes: the closing quote and
    // more are lost, and reading drops the last remaining character as well.
    void overLongValue_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("length");
        QTest::addColumn<int>("readBack");
        QTest::newRow("quoted form passes 255") << QStringLiteral("k") << 300 << 251;
        QTest::newRow("line just passes 255") << QStringLiteral("k") << 252 << 251;
        QTest::newRow("line of exactly 255") << QStringLiteral("k") << 251 << 251;
        QTest::newRow("GBK name, 9 bytes with =") << DefaultAccount << 300 << 244;
    }

    void overLongValue() {
        QFETCH(QString, name);
        QFETCH(int, length);
        QFETCH(int, readBack);
        {
            TIniSetting setting(Path());
            setting.OpenKey(System, true);
            setting.WriteValue(name, QString(length, QLatin1Char('x')));
            QCOMPARE(setting.ReadValue(name), QString(readBack, QLatin1Char('x')));
        }
        const QList<QByteArray> lines = ReadAll(Path()).split('\n');
        QCOMPARE(lines.size(), 4);
        QVERIFY(lines[1].size() <= 256); // 255 bytes and the CR
    }

    void sameValueAgainDoesNotRewrite() {
        const QByteArray file = "[" + SystemGbk + "]\r\n" + DefaultAccountGbk + "=\" admin\"\r\n";
        WriteAll(Path(), file);
        {
            TIniSetting setting(Path());
            setting.OpenKey(System, true);
            setting.WriteValue(DefaultAccount, QStringLiteral(" admin"));
            setting.CloseKey();
            WriteAll(Path(), "changed behind its back");
        }
        QCOMPARE(ReadAll(Path()), QByteArray("changed behind its back"));
    }

    void otherSectionsAndLinesSurvive() {
        WriteAll(Path(), "; settings\r\n[Other]\r\n;c\r\nx=1\r\n[" + SystemGbk + "]\r\n" +
                             DefaultAccountGbk + "=\"old\"\r\nodd\r\n");
        {
            TIniSetting setting(Path());
            setting.OpenKey(System, true);
            setting.WriteValue(DefaultAccount, QStringLiteral("new"));
        }
        QCOMPARE(ReadAll(Path()), QByteArray("[Other]\r\n;c\r\nx=1\r\n\r\n[" + SystemGbk + "]\r\n" +
                                             DefaultAccountGbk + "=\"new\"\r\nodd\r\n\r\n"));
    }

    void missingFileGivesEmptySettings() {
        {
            TIniSetting setting(Path());
            setting.OpenKey(System, true);
            QCOMPARE(setting.ReadValue(DefaultAccount), QString());
            setting.CloseKey();
        }
        QVERIFY(!QFileInfo::exists(Path()));
    }

    void unreadableFileRaisesFromTheConstructor() {
        QVERIFY(QDir().mkpath(Path()));
        try {
            TIniSetting setting(Path());
            QFAIL("no error raised");
        } catch (const EInOutError& error) {
            QVERIFY2(error.Message.contains(Path()), qPrintable(error.Message));
        }
    }

    // The write-back at the end cannot throw out of a destructor; its failure is reported.
    void unwritableFileIsReportedAtTheEnd() {
        TScriptedPresenter presenter;
        const QString path = FDir.filePath(QStringLiteral("gone/fClient.ini"));
        {
            TIniSetting setting(path);
            setting.OpenKey(System, true);
            setting.WriteValue(DefaultAccount, QStringLiteral("admin"));
            setting.CloseKey();
        }
        QCOMPARE(presenter.Boxes.size(), 1);
        QCOMPARE(presenter.Boxes[0].Kind, TMessageKind::Error);
        QVERIFY2(presenter.LastText().contains(path), qPrintable(presenter.LastText()));
    }
};

QTEST_GUILESS_MAIN(TestTreeIni)
#include "tst_treeini.moc"
