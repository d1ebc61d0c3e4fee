#include "Files.h"
#include "platform/Exception.h"
#include "settings/BigIni.h"

#include "ScriptedPresenter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>

namespace {

// What the write-back writes: every line of the image followed by CR LF.
QByteArray Image(TBigIniFile& ini) {
    QList<QByteArray> lines;
    ini.GetStrings(lines);
    QByteArray bytes;
    for (const QByteArray& line : lines)
        bytes += line + "\r\n";
    return bytes;
}

QList<QByteArray> Sections(TBigIniFile& ini) {
    QList<QByteArray> names;
    ini.ReadSections(names);
    return names;
}

const QByteArray Sample = "; before the first section\r\n"
                          "orphan=1\r\n"
                          "[Main]\r\n"
                          "Name=Value\r\n"
                          "; a comment\r\n"
                          "a line without equals\r\n"
                          "   \r\n"
                          "spaced key =  spaced value \r\n"
                          "Empty=\r\n"
                          "Twice=1=2\r\n"
                          "\r\n"
                          "[Other]\r\n"
                          "Count=42\r\n"
                          "Flag=0\r\n";

} // namespace

class TestBigIni : public QObject {
    Q_OBJECT

    QTemporaryDir FDir;
    QString Path(const QString& name = QStringLiteral("test.ini")) const {
        return FDir.filePath(name);
    }

private slots:
    void init() {
        QVERIFY(FDir.isValid());
        QDir(FDir.path()).removeRecursively();
        QDir().mkpath(FDir.path());
    }

    // --- reading the file ---------------------------------------------------------------------

    void load_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QByteArray>("image");
        QTest::addColumn<QList<QByteArray>>("sections");
        using L = QList<QByteArray>;

        QTest::newRow("empty file") << QByteArray() << QByteArray() << L{};
        QTest::newRow("LF and CR LF")
            << QByteArray("[A]\nk=v\r\n[B]\r\nx=1\n")
            << QByteArray("[A]\r\nk=v\r\n\r\n[B]\r\nx=1\r\n\r\n") << L{"A", "B"};
        QTest::newRow("last line without end")
            << QByteArray("[A]\r\nk=v") << QByteArray("[A]\r\nk=v\r\n\r\n") << L{"A"};
        QTest::newRow("lone CR dropped") << QByteArray("[A]\r\nk=v\rw\r\r\n\r[B\r]\n")
                                         << QByteArray("[A]\r\nk=vw\r\n\r\n") << L{"A", "B"};
        QTest::newRow("CR at end of file")
            << QByteArray("[A]\nk=v\r") << QByteArray("[A]\r\nk=v\r\n\r\n") << L{"A"};
        QTest::newRow("empty lines skipped, blank lines kept")
            << QByteArray("\r\n\r\n[A]\r\n\r\n\n  \r\nk=v\r\n\r\n")
            << QByteArray("[A]\r\n  \r\nk=v\r\n\r\n") << L{"A"};
        QTest::newRow("lines before the first section dropped")
            << QByteArray("; comment\r\nk=0\r\n[x] \r\n[A]\r\nk=1\r\n")
            << QByteArray("[A]\r\nk=1\r\n\r\n") << L{"A"};
        QTest::newRow("comments and odd lines kept in place")
            << QByteArray("[A]\r\n;c1\r\nk=1\r\nno equals\r\n=lead\r\n#x\r\n")
            << QByteArray("[A]\r\n;c1\r\nk=1\r\nno equals\r\n=lead\r\n#x\r\n\r\n") << L{"A"};
        QTest::newRow("empty section name")
            << QByteArray("[]\r\nk=v\r\n") << QByteArray("[]\r\nk=v\r\n\r\n") << L{""};
        QTest::newRow("section line with trailing blank is a line")
            << QByteArray("[A]\r\nk=v\r\n[x] \r\nm=1\r\n")
            << QByteArray("[A]\r\nk=v\r\n[x] \r\nm=1\r\n\r\n") << L{"A"};
        QTest::newRow("section names untrimmed")
            << QByteArray("[ a ]\r\nk=v\r\n[b ]\r\nk=w\r\n")
            << QByteArray("[ a ]\r\nk=v\r\n\r\n[b ]\r\nk=w\r\n\r\n") << L{" a ", "b "};
        QTest::newRow("section without lines omitted")
            << QByteArray("[Empty]\r\n[A]\r\nk=v\r\n[Tail]\r\n") << QByteArray("[A]\r\nk=v\r\n\r\n")
            << L{"Empty", "A", "Tail"};
        QTest::newRow("duplicate sections, first kept")
            << QByteArray("[Main]\r\na=1\r\n[other]\r\nb=2\r\n[MAIN]\r\nc=3\r\n[main]\r\nd=4\r\n"
                          "[OTHER]\r\ne=5\r\n")
            << QByteArray("[Main]\r\na=1\r\n\r\n[other]\r\nb=2\r\n\r\n") << L{"Main", "other"};
        QTest::newRow("duplicate of an empty section keeps the empty one")
            << QByteArray("[A]\r\n[B]\r\nb=1\r\n[a]\r\nlost=1\r\n")
            << QByteArray("[B]\r\nb=1\r\n\r\n") << L{"A", "B"};
        QTest::newRow("non-ASCII bytes compare exactly")
            << QByteArray("[\xc4\xe3]\r\nk=1\r\n[\xe4\xe3]\r\nk=2\r\n")
            << QByteArray("[\xc4\xe3]\r\nk=1\r\n\r\n[\xe4\xe3]\r\nk=2\r\n\r\n")
            << L{"\xc4\xe3", "\xe4\xe3"};
        QTest::newRow("0x1A at the start of a line ends the file")
            << QByteArray("[A]\r\nk=v\r\n\x1A[B]\r\nx=1\r\n") << QByteArray("[A]\r\nk=v\r\n\r\n")
            << L{"A"};
        QTest::newRow("0x1A as the first byte")
            << QByteArray("\x1A[A]\r\nk=v\r\n") << QByteArray() << L{};
        QTest::newRow("0x1A inside a line is a byte")
            << QByteArray("[A]\r\nk=v\x1Aw\r\n \x1A\r\n")
            << QByteArray("[A]\r\nk=v\x1Aw\r\n \x1A\r\n\r\n") << L{"A"};
        QTest::newRow("0x1A after a dropped CR ends the file")
            << QByteArray("[A]\r\nk=v\r\n\r\x1A[B]\r\nx=1\r\n") << QByteArray("[A]\r\nk=v\r\n\r\n")
            << L{"A"};
        QTest::newRow("300-byte line cut to 255")
            << QByteArray("[A]\r\nk=" + QByteArray(298, 'x') + "\r\nnext=1\r\n")
            << QByteArray("[A]\r\nk=" + QByteArray(253, 'x') + "\r\nnext=1\r\n\r\n") << L{"A"};
        QTest::newRow("over-long section line no longer ends in ]")
            << QByteArray("[A]\r\nk=v\r\n[" + QByteArray(300, 's') + "]\r\nm=1\r\n")
            << QByteArray("[A]\r\nk=v\r\n[" + QByteArray(254, 's') + "\r\nm=1\r\n\r\n") << L{"A"};
        QTest::newRow("section line of exactly 255 bytes")
            << QByteArray("[" + QByteArray(253, 's') + "]\r\nm=1\r\n")
            << QByteArray("[" + QByteArray(253, 's') + "]\r\nm=1\r\n\r\n")
            << L{QByteArray(253, 's')};
        QTest::newRow("GBK names")
            << QByteArray("[\xcf\xb5\xcd\xb3]\r\n\xc4\xac\xc8\xcf=\"a\"\r\n")
            << QByteArray("[\xcf\xb5\xcd\xb3]\r\n\xc4\xac\xc8\xcf=\"a\"\r\n\r\n")
            << L{"\xcf\xb5\xcd\xb3"};
    }

    void load() {
        QFETCH(QByteArray, file);
        QFETCH(QByteArray, image);
        QFETCH(QList<QByteArray>, sections);
        WriteAll(Path(), file);
        TBigIniFile ini(Path());
        QCOMPARE(Image(ini), image);
        QCOMPARE(Sections(ini), sections);
        QVERIFY(!ini.Modified());
        QCOMPARE(ini.TextBufferSize(), 28672);
    }

    // Lines that straddle the read buffer, line ends of both kinds, lines over 255 bytes.
    void loadAcrossBufferBoundaries() {
        QByteArray file = "[Big]\r\n";
        for (int n = 0; file.size() < 3 * 28672; ++n)
            file += "key" + QByteArray::number(n) + "=" + QByteArray(n % 300, char('a' + n % 26)) +
                    ((n % 3) ? "\r\n" : "\n");

        // The same bytes read the plain way, all at once.
        QByteArray whole;
        for (const QByteArray& line : QByteArray(file).replace("\r", "").split('\n'))
            if (!line.isEmpty()) whole += line.left(255) + "\r\n";
        whole += "\r\n";

        WriteAll(Path(), file);
        TBigIniFile ini(Path());
        QCOMPARE(Image(ini), whole);
        QCOMPARE(ini.ReadString("big", "KEY7", "?"), QByteArray(7, 'h'));
    }

    void crLfSplitByTheBuffer() {
        QByteArray file = "[A]\r\n";
        file += "k=" + QByteArray(28672 - file.size() - 2 - 1, 'x') + "\r\nafter=1\r\n";
        QCOMPARE(file.indexOf("\r\n", 5), qsizetype(28671)); // CR last in the first read
        WriteAll(Path(), file);
        TBigIniFile ini(Path());
        QList<QByteArray> lines;
        ini.ReadSectionValues("A", lines);
        QCOMPARE(lines.size(), 2);
        QCOMPARE(lines[0], ("k=" + QByteArray(28672, 'x')).left(255));
        QCOMPARE(lines[1], QByteArray("after=1"));
    }

    // --- reading values -----------------------------------------------------------------------

    void readString_data() {
        QTest::addColumn<QByteArray>("section");
        QTest::addColumn<QByteArray>("key");
        QTest::addColumn<QByteArray>("expected");

        QTest::newRow("plain") << QByteArray("Main") << QByteArray("Name") << QByteArray("Value");
        QTest::newRow("key in lower case")
            << QByteArray("Main") << QByteArray("name") << QByteArray("Value");
        QTest::newRow("section in upper case")
            << QByteArray("MAIN") << QByteArray("NAME") << QByteArray("Value");
        QTest::newRow("blanks before = belong to the key")
            << QByteArray("Main") << QByteArray("spaced key ") << QByteArray("  spaced value ");
        QTest::newRow("key without its blanks not found")
            << QByteArray("Main") << QByteArray("spaced key") << QByteArray("<default>");
        QTest::newRow("empty value is not the default")
            << QByteArray("Main") << QByteArray("Empty") << QByteArray();
        QTest::newRow("value after the first =")
            << QByteArray("Main") << QByteArray("Twice") << QByteArray("1=2");
        QTest::newRow("a line without = is no key")
            << QByteArray("Main") << QByteArray("a line without equals") << QByteArray("<default>");
        QTest::newRow("comment is no key")
            << QByteArray("Main") << QByteArray("; a comment") << QByteArray("<default>");
        QTest::newRow("missing key")
            << QByteArray("Main") << QByteArray("Nope") << QByteArray("<default>");
        QTest::newRow("missing section")
            << QByteArray("Nope") << QByteArray("Name") << QByteArray("<default>");
        QTest::newRow("line before the first section is gone")
            << QByteArray("") << QByteArray("orphan") << QByteArray("<default>");
        QTest::newRow("other section")
            << QByteArray("other") << QByteArray("count") << QByteArray("42");
    }

    void readString() {
        QFETCH(QByteArray, section);
        QFETCH(QByteArray, key);
        QFETCH(QByteArray, expected);
        WriteAll(Path(), Sample);
        TBigIniFile ini(Path());
        QCOMPARE(ini.ReadString(section, key, "<default>"), expected);
        QVERIFY(!ini.Modified());
        QCOMPARE(Sections(ini), (QList<QByteArray>{"Main", "Other"}));
    }

    void readStringCutsTheDefault() {
        TBigIniFile ini(QString{});
        QCOMPARE(ini.ReadString("s", "k", QByteArray(300, 'd')), QByteArray(255, 'd'));
    }

    void readInteger_data() {
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<int>("expected");
        QTest::newRow("plain") << QByteArray("42") << 42;
        QTest::newRow("negative") << QByteArray("-17") << -17;
        QTest::newRow("plus sign") << QByteArray("+5") << 5;
        QTest::newRow("blanks and controls trimmed") << QByteArray(" \t 8\x01 ") << 8;
        QTest::newRow("leading zeros") << QByteArray("0007") << 7;
        QTest::newRow("largest") << QByteArray("2147483647") << 2147483647;
        QTest::newRow("smallest") << QByteArray("-2147483648") << int(-2147483647 - 1);
        QTest::newRow("overflow") << QByteArray("2147483648") << -99;
        QTest::newRow("empty") << QByteArray("") << -99;
        QTest::newRow("sign only") << QByteArray("-") << -99;
        QTest::newRow("letters") << QByteArray("abc") << -99;
        QTest::newRow("trailing letters") << QByteArray("12abc") << -99;
        QTest::newRow("inner blank") << QByteArray("1 2") << -99;
        QTest::newRow("hexadecimal") << QByteArray("0x10") << -99;
        QTest::newRow("decimal point") << QByteArray("1.5") << -99;
    }

    void readInteger() {
        QFETCH(QByteArray, value);
        QFETCH(int, expected);
        WriteAll(Path(), "[S]\r\nk=" + value + "\r\n");
        TBigIniFile ini(Path());
        QCOMPARE(ini.ReadInteger("S", "k", -99), expected);
        QCOMPARE(ini.ReadInteger("S", "missing", -99), -99);
        QCOMPARE(ini.ReadBool("S", "k", false), expected == -99 ? false : expected != 0);
        QCOMPARE(ini.ReadBool("S", "k", true), expected == -99 ? true : expected != 0);
    }

    void writeIntegerAndBool() {
        TBigIniFile ini(Path());
        ini.WriteInteger("S", "n", -2147483647 - 1);
        ini.WriteInteger("S", "m", 7);
        ini.WriteBool("S", "t", true);
        ini.WriteBool("S", "f", false);
        QCOMPARE(Image(ini), QByteArray("[S]\r\nn=-2147483648\r\nm=7\r\nt=1\r\nf=0\r\n\r\n"));
        QCOMPARE(ini.ReadInteger("s", "N", 0), -2147483647 - 1);
        QVERIFY(ini.ReadBool("S", "t", false));
        QVERIFY(!ini.ReadBool("S", "f", true));
    }

    void readSectionListsKeys() {
        WriteAll(Path(), Sample);
        TBigIniFile ini(Path());
        QList<QByteArray> keys{"kept"};
        ini.ReadSection("main", keys);
        QCOMPARE(keys,
                 (QList<QByteArray>{"kept", "Name", "", "", "", "spaced key ", "Empty", "Twice"}));
        QList<QByteArray> untouched{"kept"};
        ini.ReadSection("missing", untouched);
        QCOMPARE(untouched, QList<QByteArray>{"kept"});
    }

    void readSectionValuesAppendsLines() {
        WriteAll(Path(), Sample);
        TBigIniFile ini(Path());
        QList<QByteArray> lines{"kept"};
        ini.ReadSectionValues("OTHER", lines);
        QCOMPARE(lines, (QList<QByteArray>{"kept", "Count=42", "Flag=0"}));
        ini.ReadSectionValues("missing", lines);
        QCOMPARE(lines.size(), 3);
    }

    void readSectionsReplaces() {
        WriteAll(Path(), Sample);
        TBigIniFile ini(Path());
        QList<QByteArray> names{"old", "stuff"};
        ini.ReadSections(names);
        QCOMPARE(names, (QList<QByteArray>{"Main", "Other"}));
    }

    void getStringsAppends() {
        WriteAll(Path(), "[A]\r\nk=v\r\n");
        TBigIniFile ini(Path());
        QList<QByteArray> lines{"first"};
        ini.GetStrings(lines);
        QCOMPARE(lines, (QList<QByteArray>{"first", "[A]", "k=v", ""}));
    }

    // --- writing values -----------------------------------------------------------------------

    void writeString_data() {
        QTest::addColumn<QByteArray>("section");
        QTest::addColumn<QByteArray>("key");
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<QByteArray>("image");
        QTest::addColumn<bool>("modified");

        const QByteArray file = "[A]\r\nKey=old\r\n;c\r\n\r\n[B]\r\nx=1\r\n\r\n";
        QTest::newRow("new key goes to the end of its section")
            << QByteArray("A") << QByteArray("new") << QByteArray("1")
            << QByteArray("[A]\r\nKey=old\r\n;c\r\nnew=1\r\n\r\n[B]\r\nx=1\r\n\r\n") << true;
        QTest::newRow("new section goes to the end of the file")
            << QByteArray("C") << QByteArray("k") << QByteArray("v")
            << QByteArray(file + "[C]\r\nk=v\r\n\r\n") << true;
        QTest::newRow("changed value replaces the line in place")
            << QByteArray("A") << QByteArray("Key") << QByteArray("new")
            << QByteArray("[A]\r\nKey=new\r\n;c\r\n\r\n[B]\r\nx=1\r\n\r\n") << true;
        QTest::newRow("key in lower case takes over the line")
            << QByteArray("a") << QByteArray("key") << QByteArray("old")
            << QByteArray("[A]\r\nkey=old\r\n;c\r\n\r\n[B]\r\nx=1\r\n\r\n") << true;
        QTest::newRow("identical value leaves the store clean")
            << QByteArray("A") << QByteArray("Key") << QByteArray("old") << file << false;
        QTest::newRow("identical value, section in other case")
            << QByteArray("b") << QByteArray("x") << QByteArray("1") << file << false;
        QTest::newRow("empty value")
            << QByteArray("B") << QByteArray("x") << QByteArray()
            << QByteArray("[A]\r\nKey=old\r\n;c\r\n\r\n[B]\r\nx=\r\n\r\n") << true;
        QTest::newRow("composed line cut to 255")
            << QByteArray("B") << QByteArray("x") << QByteArray(300, 'v')
            << QByteArray("[A]\r\nKey=old\r\n;c\r\n\r\n[B]\r\nx=" + QByteArray(253, 'v') +
                          "\r\n\r\n")
            << true;
        QTest::newRow("empty key and value erase the section")
            << QByteArray("a") << QByteArray() << QByteArray() << QByteArray("[B]\r\nx=1\r\n\r\n")
            << true;
        QTest::newRow("empty key with a value erases too")
            << QByteArray("B") << QByteArray() << QByteArray("v")
            << QByteArray("[A]\r\nKey=old\r\n;c\r\n\r\n") << true;
        QTest::newRow("erasing a missing section changes nothing")
            << QByteArray("Z") << QByteArray() << QByteArray() << file << false;
    }

    void writeString() {
        QFETCH(QByteArray, section);
        QFETCH(QByteArray, key);
        QFETCH(QByteArray, value);
        QFETCH(QByteArray, image);
        QFETCH(bool, modified);
        const QByteArray file = "[A]\r\nKey=old\r\n;c\r\n\r\n[B]\r\nx=1\r\n\r\n";
        WriteAll(Path(), file);
        {
            TBigIniFile ini(Path());
            ini.WriteString(section, key, value);
            QCOMPARE(Image(ini), image);
            QCOMPARE(ini.Modified(), modified);
        }
        // The destructor wrote the file back exactly when something changed.
        QCOMPARE(ReadAll(Path()), image);
    }

    void writeAllEmptyWritesTheFileBack() {
        TBigIniFile ini(Path());
        ini.WriteString("S", "k", "v");
        QVERIFY(!QFileInfo::exists(Path()));
        ini.WriteString({}, {}, {});
        QVERIFY(!ini.Modified());
        QCOMPARE(ReadAll(Path()), QByteArray("[S]\r\nk=v\r\n\r\n"));
    }

    // A clean store never touches the file: a hand edit made behind its back survives.
    void identicalValueDoesNotRewrite() {
        WriteAll(Path(), "[A]\r\nk=v\r\n");
        {
            TBigIniFile ini(Path());
            ini.WriteString("a", "k", "v");
            QVERIFY(!ini.Modified());
            WriteAll(Path(), "edited by hand\r\n");
            ini.UpdateFile();
        }
        QCOMPARE(ReadAll(Path()), QByteArray("edited by hand\r\n"));
    }

    void roundTripKeepsCommentsAndUnusualLines() {
        WriteAll(Path(), Sample);
        {
            TBigIniFile ini(Path());
            ini.WriteString("Other", "Flag", "1");
        }
        QCOMPARE(ReadAll(Path()), QByteArray("[Main]\r\n"
                                             "Name=Value\r\n"
                                             "; a comment\r\n"
                                             "a line without equals\r\n"
                                             "   \r\n"
                                             "spaced key =  spaced value \r\n"
                                             "Empty=\r\n"
                                             "Twice=1=2\r\n"
                                             "\r\n"
                                             "[Other]\r\n"
                                             "Count=42\r\n"
                                             "Flag=1\r\n"
                                             "\r\n"));
        // The written file reads back to the same image.
        TBigIniFile again(Path());
        QCOMPARE(Image(again), ReadAll(Path()));
    }

    // Duplicates dropped at load are rewritten away only with the next real change.
    void duplicatesRewrittenOnlyWithAChange() {
        const QByteArray file = "[Main]\r\na=1\r\n[MAIN]\r\nb=2\r\n";
        WriteAll(Path(), file);
        {
            TBigIniFile ini(Path());
            QVERIFY(!ini.Modified());
            QCOMPARE(ini.ReadString("main", "b", "none"), QByteArray("none"));
        }
        QCOMPARE(ReadAll(Path()), file);
        {
            TBigIniFile ini(Path());
            ini.WriteString("MAIN", "c", "3");
        }
        QCOMPARE(ReadAll(Path()), QByteArray("[Main]\r\na=1\r\nc=3\r\n\r\n"));
    }

    void loadFromFileReportsDroppedDuplicates() {
        WriteAll(Path(), "[A]\r\nk=1\r\n[a]\r\nk=2\r\n");
        TBigIniFile ini(QString{});
        ini.WriteString("Held", "h", "1");
        ini.UpdateFile();
        ini.LoadFromFile(Path());
        QVERIFY(ini.Modified());
        QCOMPARE(Sections(ini), (QList<QByteArray>{"Held", "A"}));
        QCOMPARE(ini.ReadString("A", "k", ""), QByteArray("1"));
    }

    void loadFromFileAddsAfterHeldSections() {
        WriteAll(Path(), "orphan=1\r\n[held]\r\nnew=1\r\n[B]\r\nb=1\r\n");
        TBigIniFile ini(QString{});
        ini.WriteString("Held", "old", "1");
        ini.LoadFromFile(Path());
        // The file's "held" is a duplicate of the section already held and is dropped.
        QCOMPARE(Image(ini), QByteArray("[Held]\r\nold=1\r\n\r\n[B]\r\nb=1\r\n\r\n"));
    }

    void deleteKey() {
        WriteAll(Path(), "[A]\r\nk=1\r\nK=2\r\n[B]\r\nonly=1\r\n");
        {
            TBigIniFile ini(Path());
            ini.DeleteKey("a", "K");
            QVERIFY(ini.Modified());
            QCOMPARE(Image(ini), QByteArray("[A]\r\nK=2\r\n\r\n[B]\r\nonly=1\r\n\r\n"));
            ini.DeleteKey("b", "ONLY");
            QVERIFY(ini.SectionExists("B"));
            QCOMPARE(Sections(ini), (QList<QByteArray>{"A", "B"}));
        }
        QCOMPARE(ReadAll(Path()), QByteArray("[A]\r\nK=2\r\n\r\n"));
    }

    void deleteKeyOfMissingSectionAddsItQuietly() {
        WriteAll(Path(), "[A]\r\nk=1\r\n");
        TBigIniFile ini(Path());
        ini.DeleteKey("New", "k");
        QVERIFY(!ini.Modified());
        QVERIFY(ini.SectionExists("new"));
        QCOMPARE(Sections(ini), (QList<QByteArray>{"A", "New"}));
        ini.DeleteKey("A", "missing");
        QVERIFY(!ini.Modified());
        QCOMPARE(Image(ini), QByteArray("[A]\r\nk=1\r\n\r\n"));
    }

    void eraseSection() {
        WriteAll(Path(), "[A]\r\na=1\r\n[B]\r\nb=1\r\n[C]\r\nc=1\r\n");
        TBigIniFile ini(Path());
        QCOMPARE(ini.ReadString("C", "c", ""), QByteArray("1"));
        QCOMPARE(ini.CurrentSection(), 2);
        ini.EraseSection("zzz");
        QVERIFY(!ini.Modified());
        ini.EraseSection("c");
        QVERIFY(ini.Modified());
        QVERIFY(!ini.SectionExists("C"));
        QCOMPARE(ini.CurrentSection(), 0); // no longer a valid position
        QCOMPARE(ini.SectionList().LastIndex(), 0);
        QCOMPARE(Image(ini), QByteArray("[A]\r\na=1\r\n\r\n[B]\r\nb=1\r\n\r\n"));
        ini.EraseSection("A");
        QCOMPARE(ini.ReadString("B", "b", ""), QByteArray("1"));
    }

    // --- the starting points of the searches --------------------------------------------------

    void indexOfRemembersWhereItFound() {
        WriteAll(Path(), "[A]\r\na=1\r\n[B]\r\nb=1\r\n[C]\r\nc=1\r\n");
        TBigIniFile ini(Path());
        QCOMPARE(ini.SectionList().LastIndex(), 0);
        QVERIFY(ini.SectionExists("c"));
        QCOMPARE(ini.SectionList().LastIndex(), 2);
        QVERIFY(!ini.SectionExists("d"));
        QCOMPARE(ini.SectionList().LastIndex(), 2);
        QVERIFY(ini.SectionExists("A")); // wraps around
        QCOMPARE(ini.SectionList().LastIndex(), 0);
        QVERIFY(ini.SectionExists("B"));
        QCOMPARE(ini.SectionList().LastIndex(), 1);
    }

    void findSectionKeyRemembersTheSection() {
        WriteAll(Path(), "[A]\r\na=1\r\n[B]\r\nb=1\r\nb=2\r\n[C]\r\nc=1\r\n");
        TBigIniFile ini(Path());
        QCOMPARE(ini.CurrentSection(), 2); // the last section read
        TEntryList* entries = nullptr;
        QCOMPARE(ini.FindSectionKey("b", "B", false, entries), 0);
        QVERIFY(entries);
        QCOMPARE(entries->size(), 2);
        QCOMPARE(ini.CurrentSection(), 1);
        QCOMPARE(ini.FindSectionKey("A", "missing", false, entries), -1);
        QVERIFY(entries);
        QCOMPARE(ini.CurrentSection(), 0);
        // A failed search stops where it wrapped around to.
        QCOMPARE(ini.FindSectionKey("Z", "z", false, entries), -1);
        QVERIFY(!entries);
        QCOMPARE(ini.CurrentSection(), 2);
        QCOMPARE(ini.FindSectionKey("Z", "z", true, entries), -1);
        QVERIFY(entries && entries->isEmpty());
        QCOMPARE(ini.CurrentSection(), 3);
        QVERIFY(!ini.Modified());
    }

    void removeDuplicatesDirectly() {
        TSectionList list;
        QVERIFY(!list.RemoveDuplicates());
        for (const char* name : {"b", "A", "B", "a", "c", "b"})
            list.AddObject(name, std::make_unique<TEntryList>(TEntryList{name}));
        QCOMPARE(list.IndexOf("C"), 4);
        QVERIFY(list.RemoveDuplicates());
        QCOMPARE(list.LastIndex(), 0);
        QCOMPARE(list.Count(), 3);
        QCOMPARE(list.Names(0), QByteArray("b"));
        QCOMPARE(list.Names(1), QByteArray("A"));
        QCOMPARE(list.Names(2), QByteArray("c"));
        QCOMPARE(*list.SectionEntries(1), TEntryList{"A"});
        QVERIFY(!list.RemoveDuplicates());
    }

    void nameComparison_data() {
        QTest::addColumn<QByteArray>("a");
        QTest::addColumn<QByteArray>("b");
        QTest::addColumn<bool>("same");
        QTest::newRow("ASCII case") << QByteArray("Main") << QByteArray("mAIN") << true;
        QTest::newRow("digits and signs") << QByteArray("a-1_[]") << QByteArray("A-1_[]") << true;
        QTest::newRow("@ and `") << QByteArray("@") << QByteArray("`") << false;
        QTest::newRow("[ and {") << QByteArray("[") << QByteArray("{") << false;
        QTest::newRow("Latin-1 letters exact") << QByteArray("\xc4") << QByteArray("\xe4") << false;
        QTest::newRow("GBK exact") << QByteArray("\xcf\xb5") << QByteArray("\xcf\xb5") << true;
        QTest::newRow("prefix") << QByteArray("ab") << QByteArray("abc") << false;
        QTest::newRow("trailing blank") << QByteArray("x ") << QByteArray("x") << false;
        QTest::newRow("empty") << QByteArray() << QByteArray("") << true;
    }

    void nameComparison() {
        QFETCH(QByteArray, a);
        QFETCH(QByteArray, b);
        QFETCH(bool, same);
        QCOMPARE(SameName(a, b), same);
        QCOMPARE(CompareNames(a, b) == 0, same);
        QCOMPARE(CompareNames(a, b), -CompareNames(b, a));
    }

    // --- files --------------------------------------------------------------------------------

    void missingFileLoadsEmptyAndIsCreatedByTheWriteBack() {
        const QString path = Path("new.ini");
        TBigIniFile ini(path);
        QVERIFY(Sections(ini).isEmpty());
        ini.UpdateFile();
        QVERIFY(!QFileInfo::exists(path));
        ini.WriteString("S", "k", "v");
        ini.UpdateFile();
        QCOMPARE(ReadAll(path), QByteArray("[S]\r\nk=v\r\n\r\n"));
        QVERIFY(!ini.Modified());
        // Nothing but the file is left in the folder.
        QCOMPARE(QDir(FDir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"new.ini"});
    }

    void emptyFileNameAcceptsWrites() {
        TBigIniFile ini(QString{});
        ini.WriteString("S", "k", "v");
        QVERIFY(ini.Modified());
        QCOMPARE(ini.ReadString("s", "K", ""), QByteArray("v"));
        ini.UpdateFile();
        QVERIFY(!ini.Modified());
        QVERIFY(QDir(FDir.path()).isEmpty());
    }

    void setFileNameWritesTheOldFileFirst() {
        const QString first = Path("first.ini");
        const QString second = Path("second.ini");
        WriteAll(second, "[B]\r\nb=1\r\n[b]\r\nlost=1\r\n");
        TBigIniFile ini(first);
        ini.WriteString("A", "a", "1");
        ini.SetFileName(second);
        QCOMPARE(ReadAll(first), QByteArray("[A]\r\na=1\r\n\r\n"));
        QCOMPARE(ini.FileName(), second);
        QVERIFY(!ini.Modified()); // although a duplicate was dropped
        QCOMPARE(Sections(ini), QList<QByteArray>{"B"});
        QCOMPARE(ini.CurrentSection(), 0);
    }

    void longFileNameIsKeptWhole() {
        // A path longer than 255 bytes must name the same file for reading and writing.
        QString folder = FDir.path();
        while (folder.toUtf8().size() < 300)
            folder += QStringLiteral("/abcdefghijklmnopqrstuvwxyz");
        QVERIFY(QDir().mkpath(folder));
        const QString path = folder + QStringLiteral("/long.ini");
        {
            TBigIniFile ini(path);
            ini.WriteString("S", "k", "v");
        }
        QCOMPARE(ReadAll(path), QByteArray("[S]\r\nk=v\r\n\r\n"));
        TBigIniFile again(path);
        QCOMPARE(again.FileName(), path);
        QCOMPARE(again.ReadString("S", "k", ""), QByteArray("v"));
    }

    void unreadableFileRaises() {
        const QString path = Path("folder.ini");
        QVERIFY(QDir().mkpath(path)); // exists, but is no file
        try {
            TBigIniFile ini(path);
            QFAIL("no error raised");
        } catch (const EInOutError& error) {
            QVERIFY2(error.Message.contains(path), qPrintable(error.Message));
            QVERIFY2(error.Message.contains(QStringLiteral("读取")), qPrintable(error.Message));
        }
    }

    void unwritableFileRaisesAndStaysModified_data() {
        QTest::addColumn<QString>("relative");
        QTest::newRow("folder missing") << QStringLiteral("missing/x.ini");
        QTest::newRow("folder is a file") << QStringLiteral("plain/x.ini");
    }

    void unwritableFileRaisesAndStaysModified() {
        QFETCH(QString, relative);
        WriteAll(Path("plain"), "not a folder");
        const QString path = Path(relative);
        TBigIniFile ini(path);
        ini.WriteString("S", "k", "v");
        try {
            ini.UpdateFile();
            QFAIL("no error raised");
        } catch (const EInOutError& error) {
            QVERIFY2(error.Message.contains(path), qPrintable(error.Message));
            QVERIFY2(error.Message.contains(QStringLiteral("写入")), qPrintable(error.Message));
        }
        QVERIFY(ini.Modified());
        // Once the folder is there, the next write-back succeeds.
        QFile::remove(Path("plain"));
        QVERIFY(QDir().mkpath(QFileInfo(path).path()));
        ini.UpdateFile();
        QVERIFY(!ini.Modified());
        QCOMPARE(ReadAll(path), QByteArray("[S]\r\nk=v\r\n\r\n"));
    }

    // A write that fails half-way (here: the file-size limit standing in for a full disk)
    // leaves the old file as it was.
    void failedWriteKeepsTheOldFile() {
        const QByteArray old = "[S]\r\nk=old\r\n\r\n";
        WriteAll(Path(), old);
        TBigIniFile ini(Path());
        for (int i = 0; i < 200; ++i)
            ini.WriteString("S", "key" + QByteArray::number(i), QByteArray(100, 'v'));

        const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit saved{};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
        rlimit small = saved;
        small.rlim_cur = 4096;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        bool raised = false;
        QString message;
        try {
            ini.UpdateFile();
        } catch (const EInOutError& error) {
            raised = error.Message.contains(Path());
            message = error.Message;
        }
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, previousHandler);

        QVERIFY2(raised, qPrintable(message));
        // the real cause, not "Unknown error"
        QVERIFY2(!message.contains("Unknown error"), qPrintable(message));
        QVERIFY2(message.contains("文件超过了允许的大小"), qPrintable(message));
        QVERIFY(ini.Modified());
        QCOMPARE(ReadAll(Path()), old);
        QCOMPARE(QDir(FDir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"test.ini"});
        ini.UpdateFile();
        QCOMPARE(ReadAll(Path()), Image(ini));
    }

    // The file is replaced as a whole, yet keeps its permissions, and a link to it stays a link.
    void writeBackKeepsPermissionsAndLinks() {
        const QString real = Path("real.ini");
        const QString link = Path("link.ini");
        WriteAll(real, "[A]\r\nk=1\r\n");
        QVERIFY(
            QFile::setPermissions(real, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
        QVERIFY(QFile::link(real, link));
        const QFile::Permissions before = QFile::permissions(real);
        {
            TBigIniFile ini(link);
            ini.WriteString("A", "k", "2");
        }
        QVERIFY(QFileInfo(link).isSymLink());
        QCOMPARE(ReadAll(real), QByteArray("[A]\r\nk=2\r\n\r\n"));
        QCOMPARE(QFile::permissions(real), before);
    }

    // A destructor cannot throw: a write-back that fails there is reported, and nothing crashes.
    void failedWriteInTheDestructorIsReported() {
        TScriptedPresenter presenter;
        const QString path = Path("missing/x.ini");
        {
            TBigIniFile ini(path);
            ini.WriteString("S", "k", "v");
        }
        QCOMPARE(presenter.Boxes.size(), 1);
        QCOMPARE(presenter.Boxes[0].Kind, TMessageKind::Error);
        QVERIFY(presenter.LastText().contains(path));
    }
};

QTEST_GUILESS_MAIN(TestBigIni)
#include "tst_bigini.moc"
