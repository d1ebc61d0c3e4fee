#include "Files.h"
#include "import/readers/CsvRecordReader.h"
#include "import/readers/LedgerCsvLayout.h"
#include "output/CsvWriter.h"
#include "platform/Exception.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

// The CSV writer: each hostile text as a cell, the file's bytes, and each text read back by the
// program's own reader exactly as it was.
class TestCsvWriter : public QObject {
    Q_OBJECT

    QTemporaryDir FDir;

private slots:
    void textCell_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("cell");
        QTest::newRow("plain") << "午饭"
                               << "午饭";
        QTest::newRow("empty") << ""
                               << "";
        QTest::newRow("comma") << "饭,菜"
                               << "\"饭,菜\"";
        QTest::newRow("quotes") << "他说\"好\""
                                << "\"他说\"\"好\"\"\"";
        QTest::newRow("LF") << "一\n二"
                            << "\"一\n二\"";
        QTest::newRow("CRLF") << "一\r\n二"
                              << "\"一\r\n二\"";
        QTest::newRow("formula") << "=SUM(A1)"
                                 << "'=SUM(A1)";
        QTest::newRow("plus") << "+86 电话"
                              << "'+86 电话";
        QTest::newRow("minus") << "-12"
                               << "'-12";
        QTest::newRow("at") << "@home"
                            << "'@home";
        QTest::newRow("apostrophe") << "'引号"
                                    << "''引号";
        QTest::newRow("tab") << "\t缩进"
                             << "'\t缩进";
        QTest::newRow("CR first") << "\r回车"
                                  << "\"'\r回车\"";
        QTest::newRow("formula with comma") << "=A1,B1"
                                            << "\"'=A1,B1\"";
        QTest::newRow("space first") << " 空格 "
                                     << " 空格 ";
        QTest::newRow("inner equals") << "a=b"
                                      << "a=b";
    }
    void textCell() {
        QFETCH(QString, text);
        QFETCH(QString, cell);
        QCOMPARE(TCsvWriter::TextCell(text), cell);
    }

    // Hostile texts through a file and back: one row each, between two plain cells, so that a
    // cell that swallowed a comma or a line shows.
    void readsBack() {
        const QStringList texts = {"午饭",     "",         "饭,菜",    "他说\"好\"", "一\n二",
                                   "一\r\n二", "=SUM(A1)", "+86 电话", "-12",        "@home",
                                   "'引号",    "\t缩进",   "\r回车",   "=A1,B1",     " 空格 ",
                                   "''两个",   "末尾\r",   "末尾\n",   "\"",         ","};
        const QString path = FDir.filePath("back.csv");
        {
            TCsvWriter writer(path);
            writer.TextRow({"前", "文字", "后"});
            for (const QString& text : texts) {
                writer.Text("前");
                writer.Text(text);
                writer.Number("-1.5");
                writer.EndRow();
            }
            writer.Finish();
        }
        TCsvRecordReader reader(path, {}, TCsvRecordReader::TCells::Exact);
        QStringList cells;
        QVERIFY(reader.Next(cells));
        QCOMPARE(cells, QStringList({"前", "文字", "后"}));
        for (const QString& text : texts) {
            QVERIFY(reader.Next(cells));
            QCOMPARE(cells.size(), 3);
            QCOMPARE(LedgerCsvLayout::Unguarded(cells[1]), text);
            QCOMPARE(cells[2], QStringLiteral("-1.5")); // a number keeps its minus, unguarded
        }
        QVERIFY(!reader.Next(cells));
    }

    // UTF-8 with a BOM, CRLF after every row, numbers as they are.
    void bytes() {
        const QString path = FDir.filePath("bytes.csv");
        TCsvWriter writer(path);
        writer.TextRow({"日期", "金额"});
        writer.Number("2026-12-07");
        writer.Number("-25.00");
        writer.EndRow();
        writer.Finish();
        QCOMPARE(ReadAll(path), QByteArray("\xEF\xBB\xBF"
                                           "日期,金额\r\n2026-12-07,-25.00\r\n"));
    }

    // Nothing reaches the target before Finish, and a write that is given up leaves the file
    // that was there.
    void replacesOnlyWhenFinished() {
        QVERIFY(QDir().mkpath(FDir.filePath("kept")));
        const QString path = FDir.filePath("kept/kept.csv");
        WriteAll(path, "earlier");
        {
            TCsvWriter writer(path);
            writer.TextRow({"新"});
            QCOMPARE(ReadAll(path), QByteArray("earlier"));
        }
        QCOMPARE(ReadAll(path), QByteArray("earlier"));
        QCOMPARE(QDir(FDir.filePath("kept")).entryList(QDir::Files | QDir::Hidden),
                 QStringList({"kept.csv"}));
    }

    // A folder that is not there, or a file in its place: the message says which file and why.
    void folderNotWritable_data() {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("reason");
        QTest::newRow("missing") << "missing/inner"
                                 << "missing/inner 不存在";
        QTest::newRow("file in the way") << "plain"
                                         << "挡在文件夹的位置上";
    }
    void folderNotWritable() {
        QFETCH(QString, folder);
        QFETCH(QString, reason);
        WriteAll(FDir.filePath("plain"), "a file");
        try {
            TCsvWriter writer(FDir.filePath(folder) + "/a.csv");
            QFAIL("a file was started where no file can be");
        } catch (const EInOutError& error) {
            QVERIFY2(error.Message.contains(reason), qPrintable(error.Message));
            QVERIFY2(error.Message.contains("a.csv"), qPrintable(error.Message));
        }
    }
};

QTEST_GUILESS_MAIN(TestCsvWriter)
#include "tst_csvwriter.moc"
