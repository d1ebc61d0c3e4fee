#include "ErrorOf.h"
#include "Files.h"
#include "LegacyFixture.h"

#include "legacy/JetHeader.h"
#include "legacy/JetReader.h"
#include "platform/Exception.h"

#include <QTemporaryDir>
#include <QRegularExpression>
#include <QTest>
#include <QtEndian>
#include <cstring>
#include <functional>

// Reading the sample Access ledger through the library: header, tables, columns, values, and
// the files it must refuse.
class TestJetReader : public QObject {
    Q_OBJECT

    QTemporaryDir FDir;

    QString Write(const QString& name, const QByteArray& bytes) {
        const QString path = FDir.filePath(name);
        LegacyFixture::WriteCopy(path, bytes);
        return path;
    }

    // The fixture with its first page decoded, changed and encoded again.
    static QByteArray WithHeader(const std::function<void(uchar*)>& change) {
        QByteArray bytes = LegacyFixture::Bytes();
        QByteArray page = bytes.left(TJetHeader::PageSize);
        TJetHeader::ToggleMask(page);
        change(reinterpret_cast<uchar*>(page.data()));
        TJetHeader::ToggleMask(page);
        bytes.replace(0, page.size(), page);
        return bytes;
    }

    // Every row of a table, each as its values joined by "|", NULL written as "NULL".
    static QStringList Rows(TJetReader& reader, const QString& table, const QStringList& columns) {
        reader.OpenTable(table, columns);
        QStringList rows;
        while (reader.Next()) {
            QStringList values;
            for (int c = 0; c < columns.size(); ++c)
                values << (reader.Value(c).isNull() ? QStringLiteral("NULL")
                                                    : reader.Value(c).toString());
            rows << values.join(u'|');
        }
        return rows;
    }

private Q_SLOTS:
    void header_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("encrypted");
        QTest::addColumn<bool>("password");
        QTest::addColumn<QString>("problem"); // a part of the message, or empty

        const QByteArray fixture = LegacyFixture::Bytes();
        QTest::newRow("the sample ledger") << fixture << int(TJetHeader::Jet4) << false << false
                                           << QString();
        QByteArray jet3 = fixture;
        jet3[0x14] = 0;
        QTest::newRow("Jet 3") << jet3 << int(TJetHeader::Jet3) << false << false
                               << QStringLiteral("Jet 3");
        QByteArray ace = fixture;
        ace[0x14] = 3;
        QTest::newRow("Access 2010") << ace << int(TJetHeader::Ace) << false << false
                                     << QStringLiteral("Access 2007");
        QTest::newRow("encrypted")
            << WithHeader([](uchar* page) { qToLittleEndian<quint32>(0x12345678, page + 0x3e); })
            << int(TJetHeader::Jet4) << true << false << QStringLiteral("已加密");
        QTest::newRow("password") << WithHeader([](uchar* page) {
            // "pw" as UCS-2, under the mask of the creation date's whole days
            double created;
            std::memcpy(&created, page + TJetHeader::CreationDateOffset, sizeof created);
            uchar mask[4];
            qToLittleEndian<qint32>(qint32(created), mask);
            const uchar password[4] = {'p', 0, 'w', 0};
            for (int i = 0; i < 4; ++i)
                page[TJetHeader::PasswordOffset + i] = password[i] ^ mask[i % 4];
        }) << int(TJetHeader::Jet4)
                                  << false << true << QStringLiteral("数据库密码");
        QTest::newRow("cut in its first page")
            << fixture.left(1000) << int(TJetHeader::Truncated) << false << false
            << QStringLiteral("文件不完整");
        QByteArray random(8192, Qt::Uninitialized);
        quint32 seed = 12345;
        for (char& b : random)
            b = char((seed = seed * 1103515245 + 12345) >> 24);
        QTest::newRow("random bytes") << random << int(TJetHeader::NotJet) << false << false
                                      << QStringLiteral("不是 Access 数据库文件");
        QTest::newRow("SQLite ledger") << QByteArray("SQLite format 3\0", 16) + QByteArray(4080, 0)
                                       << int(TJetHeader::NotJet) << false << false
                                       << QStringLiteral("不是 Access 数据库文件");
        QTest::newRow("empty file") << QByteArray() << int(TJetHeader::NotJet) << false << false
                                    << QStringLiteral("不是 Access 数据库文件");
    }

    void header() {
        QFETCH(QByteArray, bytes);
        QFETCH(int, kind);
        QFETCH(bool, encrypted);
        QFETCH(bool, password);
        QFETCH(QString, problem);
        const QString path = Write(QStringLiteral("header.mdb"), bytes);
        const TJetHeader header = TJetHeader::Read(path);
        QCOMPARE(int(header.Kind), kind);
        QCOMPARE(header.Encrypted, encrypted);
        QCOMPARE(header.HasPassword, password);
        const QString message = header.Problem(path);
        if (problem.isEmpty()) {
            QVERIFY2(message.isEmpty(), qPrintable(message));
        } else {
            QVERIFY2(message.contains(problem), qPrintable(message));
            QVERIFY2(message.contains(path), qPrintable(message));
        }
    }

    void missingFile() {
        const QString path = FDir.filePath(QStringLiteral("nothing.mdb"));
        QCOMPARE(int(TJetHeader::Read(path).Kind), int(TJetHeader::Missing));
        QVERIFY(ErrorOf([&] { TJetReader reader(path); }).contains(path));
    }

    void tablesAndRowCounts() {
        TJetReader reader(LegacyFixture::LedgerPath());
        QVERIFY(reader.HasTable(QStringLiteral("bPerson")));
        QVERIFY(reader.HasTable(QStringLiteral("FPAYOUT"))); // names compare without case
        QVERIFY(!reader.HasTable(QStringLiteral("fNothing")));
        QCOMPARE(reader.RowCount(QStringLiteral("bPerson")), 3);
        QCOMPARE(reader.RowCount(QStringLiteral("bItemProject")), 6);
        QCOMPARE(reader.RowCount(QStringLiteral("fPayout")), 200);
        QCOMPARE(reader.RowCount(QStringLiteral("fDiary")), 20);
        const QString missing = ErrorOf([&] { reader.RowCount(QStringLiteral("fNothing")); });
        QVERIFY2(missing.contains(QStringLiteral("没有表 fNothing")), qPrintable(missing));
    }

    void columnTypes() {
        TJetReader reader(LegacyFixture::LedgerPath());
        reader.OpenTable(QStringLiteral("fPayout"),
                         {"PayoutID", "Payout", "PayoutAccount", "UseDate", "Memos", "monthnum"});
        QCOMPARE(reader.ColumnType(0), TJetReader::TType::Integer);
        QCOMPARE(reader.ColumnType(1), TJetReader::TType::Text);
        QCOMPARE(reader.ColumnType(2), TJetReader::TType::Money);
        QCOMPARE(reader.ColumnType(3), TJetReader::TType::DateTime);
        QCOMPARE(reader.ColumnType(4), TJetReader::TType::Memo);
        QCOMPARE(reader.ColumnType(5), TJetReader::TType::Integer);
        const QString missing = ErrorOf(
            [&] { reader.OpenTable(QStringLiteral("fPayout"), {"PayoutID", "Remark"}); });
        QVERIFY2(missing.contains(QStringLiteral("表 fPayout 中没有列 Remark")),
                 qPrintable(missing));
    }

    void members() {
        TJetReader reader(LegacyFixture::LedgerPath());
        // Chinese text, the stored passwords, and the empty text of a member without password
        // or note: empty, not NULL.
        QCOMPARE(Rows(reader, QStringLiteral("bPerson"),
                      {"PersonID", "PersonName", "RoleName", "LoginAccount", "LoginPassword"}),
                 QStringList({"1|爸爸|父亲|admin|lgkb_", "2|妈妈|母亲|mama|10/kk",
                              "3|小明|儿子|XiaoMing|"}));
        reader.OpenTable(QStringLiteral("bPerson"), {"LoginPassword"});
        int rows = 0;
        while (reader.Next())
            QVERIFY(!reader.Value(0).isNull() && ++rows);
        QCOMPARE(rows, 3);
    }

    void payouts() {
        TJetReader reader(LegacyFixture::LedgerPath());
        const QStringList rows =
            Rows(reader, QStringLiteral("fPayout"),
                 {"PayoutID", "PayoutAccount", "IncomeAccount", "UseDate", "YearNum"});
        QCOMPARE(rows.size(), 200);
        // Currency in ten-thousandths, exact; the other kind's amount NULL; day numbers whole.
        QVERIFY(rows.contains("1|NULL|187740000|45292|2024"));
        QVERIFY(rows.contains("3|38760000|NULL|45297|2024"));
        QCOMPARE(rows.filter(QRegularExpression("^50\\|125000\\|NULL\\|")).size(), 1);
        QCOMPARE(rows.filter(QRegularExpression("^101\\|2500\\|NULL\\|")).size(), 1);
        QCOMPARE(rows.filter(QRegularExpression("^155\\|NULL\\|12345678\\|")).size(), 1);
        QCOMPARE(reader.RowsRead(), 200);
    }

    void textAsWritten() {
        TJetReader reader(LegacyFixture::LedgerPath());
        const QStringList contents = Rows(reader, QStringLiteral("fPayout"), {"Payout"});
        QVERIFY(contents.contains(QStringLiteral("小明's 生日蛋糕")));
        const QStringList notes = Rows(reader, QStringLiteral("fPayout"), {"Memos"});
        QCOMPARE(notes.filter(QStringLiteral("\r\n")).size(), 52);
        const QStringList diary = Rows(reader, QStringLiteral("fDiary"), {"DiaryID", "Diary"});
        QCOMPARE(diary.size(), 20);
        QVERIFY(diary.first().startsWith(QStringLiteral("1|天气：大风\r\n整理了这个月的账目")));
        QVERIFY(diary[1].contains(QStringLiteral("小明说：'爸爸，我想学游泳。'\r\n")));
    }

    void damagedPage() {
        // The row table of the data page that holds the first record says the page has more
        // rows than fit on it.
        QByteArray bytes = LegacyFixture::Bytes();
        const QString text = QStringLiteral("年终奖");
        const QByteArray ucs2(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
        const qsizetype at = bytes.indexOf(ucs2);
        QVERIFY(at > 0);
        const qsizetype page = at / TJetHeader::PageSize * TJetHeader::PageSize;
        QCOMPARE(int(bytes[page]), 1); // a data page
        qToLittleEndian<quint16>(0x7fff, bytes.data() + page + 0x0c);
        const QString path = Write(QStringLiteral("damaged.mdb"), bytes);
        TJetReader reader(path);
        const QString message = ErrorOf([&] {
            reader.OpenTable(QStringLiteral("fPayout"), {"PayoutID"});
            while (reader.Next()) {
            }
        });
        QVERIFY2(message.contains(QStringLiteral("已损坏")) && message.contains(path),
                 qPrintable(message));
    }

    void truncatedCopy_data() {
        QTest::addColumn<int>("size");
        QTest::newRow("half") << int(LegacyFixture::Bytes().size() / 2);
        QTest::newRow("a quarter") << int(LegacyFixture::Bytes().size() / 4);
        QTest::newRow("three pages") << 3 * TJetHeader::PageSize;
        QTest::newRow("before the catalog's page") << 14 * TJetHeader::PageSize;
        QTest::newRow("mid-page") << 20 * TJetHeader::PageSize + 123;
    }

    void truncatedCopy() {
        QFETCH(int, size);
        const QString path = Write(QStringLiteral("truncated.mdb"), LegacyFixture::Bytes().left(size));
        const QString message = ErrorOf([&] {
            TJetReader reader(path);
            for (const char* table : {"bPerson", "bItemProject", "fPayout", "fDiary"}) {
                reader.OpenTable(QString::fromLatin1(table), {});
                while (reader.Next()) {
                }
            }
        });
        QVERIFY2(!message.isEmpty(), "a cut copy must not read as complete");
        QVERIFY2(message.contains(path), qPrintable(message));
        QVERIFY2(message.contains(QStringLiteral("已损坏")), qPrintable(message));
    }
};

QTEST_GUILESS_MAIN(TestJetReader)
#include "tst_jetreader.moc"
