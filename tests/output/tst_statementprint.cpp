#include "PdfFile.h"
#include "output/StatementDocument.h"
#include "output/StatementPrint.h"

#include <QApplication>
#include <QPrinter>
#include <QTemporaryDir>
#include <QTest>

// A statement printed to PDF as a reader gets it: its pages numbered, the table's header on
// every page, the Chinese text searchable in a CJK font carried inside the file.
namespace {

// A statement of rows of one category, printed to a PDF in folder; returns the file.
QString Printed(const QTemporaryDir& folder, int rows, int* pages = nullptr) {
    TStatementTable table;
    table.Columns = {{QStringLiteral("支出内容"), Qt::AlignLeft, 3},
                     {QStringLiteral("消费项目"), Qt::AlignLeft, 2},
                     {QStringLiteral("支出金额"), Qt::AlignRight, 2}};
    for (int row = 1; row <= rows; ++row)
        table.Rows.append({{QStringLiteral("午饭%1").arg(row), QStringLiteral("餐饮"),
                            QStringLiteral("-￥25.00")}});
    table.Footer = {QStringLiteral("合计"), QString(), QStringLiteral("-￥%1.00").arg(25 * rows)};
    TStatementDocument document(QStringLiteral("帐目细节"), {QStringLiteral("成员：家长")});
    document.AddTable(table);
    const QString file = folder.filePath(QStringLiteral("statement-%1.pdf").arg(rows));
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(file);
    const int printed = StatementPrint::Print(printer, {nullptr, QString(), &document});
    if (pages) *pages = printed;
    return file;
}

} // namespace

class TestStatementPrint : public QObject {
    Q_OBJECT

private slots:
    // Every page is numbered of the whole and starts with the table's header; the footer sum
    // closes the last page.
    void longTableRepeatsItsHeaderOnEveryPage() {
        QTemporaryDir folder;
        int printed = 0;
        const QString file = Printed(folder, 150, &printed);
        const int pages = PdfFile::Pages(file);
        QVERIFY2(pages >= 3, qPrintable(QString::number(pages)));
        QCOMPARE(printed, pages);
        const QStringList texts = PdfFile::Text(file).split(u'\f', Qt::SkipEmptyParts);
        QCOMPARE(texts.size(), pages);
        for (int page = 0; page < pages; ++page) {
            QVERIFY2(texts[page].contains(QStringLiteral("消费项目")), qPrintable(texts[page]));
            QVERIFY(texts[page].contains(StatementPrint::PageNumberText(page + 1, pages)));
        }
        QVERIFY(texts.last().contains(QStringLiteral("-￥3750.00")));
        QVERIFY(texts.last().contains(QStringLiteral("午饭150")));
    }

    void pagesGrowWithTheRows() {
        QTemporaryDir folder;
        QCOMPARE(PdfFile::Pages(Printed(folder, 5)), 1);
        QVERIFY(PdfFile::Pages(Printed(folder, 60)) > 1);
        QVERIFY(PdfFile::Pages(Printed(folder, 200)) > PdfFile::Pages(Printed(folder, 60)));
    }

    // The Chinese is text in an embedded CJK (CID) font, found by a reader's search.
    void chineseIsEmbeddedText() {
        QTemporaryDir folder;
        const QString file = Printed(folder, 3);
        QVERIFY(PdfFile::Text(file).contains(QStringLiteral("餐饮")));
        const QStringList fonts = PdfFile::Fonts(file);
        QVERIFY(!fonts.isEmpty());
        bool cjk = false;
        for (const QString& font : fonts) {
            const QStringList fields = font.split(u' ', Qt::SkipEmptyParts);
            // name, type (one or two words), encoding, emb, sub, uni, object id
            QVERIFY2(fields.size() >= 7 && fields[fields.size() - 5] == QStringLiteral("yes"),
                     qPrintable(font));
            cjk = cjk || font.contains(QStringLiteral("CID"));
        }
        QVERIFY2(cjk, qPrintable(fonts.join(u'\n')));
    }
};

QTEST_MAIN(TestStatementPrint)
#include "tst_statementprint.moc"
