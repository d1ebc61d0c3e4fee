#include "FormUnderTest.h"
#include "Files.h"
#include "data/ComboPub.h"
#include "data/CommonDB.h"
#include "data/DataModule.h"
#include "data/query/Query.h"
#include "forms/PayQuery.h"
#include "platform/DateText.h"
#include "widgets/Panel.h"
#include "widgets/grid/DBGrid.h"
#include "widgets/grid/GridFooter.h"
#include "widgets/grid/GridGroupModel.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QFileDialog>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTreeView>

#include <memory>

namespace {

const QString Member = QStringLiteral("家长"); // the default member, logged in
const QString Other = QStringLiteral("李四");

const QString DetailsHead = QStringLiteral(
    "select PayoutID, ItemProjectID, ItemType, Payout, (0 - PayoutAccount) as PayoutAccount, "
    "IncomeAccount, UseDate, PersonName from fPayout where ");

// The statistics statement of a click, with the conditions of each half.
QString ClickStatistics(const QString& person, const QString& conditions) {
    return "select b.ItemType, a.ItemProjectID, b.ItemProject, sum(a.IncomeAccount) as iSum from "
           "fPayout a, bItemProject b where a.PersonName = '" +
           person + "' and a.ItemProjectID = b.ItemProjectID and a.ItemType = '收入'" + conditions +
           " group by b.ItemType, a.ItemProjectID, b.ItemProject union select b.ItemType, "
           "a.ItemProjectID, b.ItemProject, 0 - sum(a.PayoutAccount) as iSum from fPayout a, "
           "bItemProject b where a.PersonName = '" +
           person + "' and a.ItemProjectID = b.ItemProjectID and a.ItemType = '支出'" + conditions +
           " group by b.ItemType, a.ItemProjectID, b.ItemProject order by 1, 2";
}

QStringList Items(const QComboBox* combo) {
    QStringList items;
    for (int i = 0; i < combo->count(); ++i)
        items << combo->itemText(i);
    return items;
}

// A column of every row of a query, in the order of the rows.
QVariantList Column(TQuery& query, const QString& field) {
    QVariantList values;
    const int index = query.FieldIndex(field);
    for (int row = 0; row < query.RecordCount(); ++row)
        values << query.ValueAt(row, index);
    return values;
}

double Sum(TQuery& query, const QString& field) {
    double sum = 0;
    for (const QVariant& value : Column(query, field))
        sum += value.toDouble();
    return sum;
}

} // namespace

class TestPayQuery : public QObject, TFormUnderTest<TfrmPayQuery> {
    Q_OBJECT

    // Income 3000 on 1 December; expenditure 25 on the begin day (7 December), 1000 on the end
    // day (6 January) and 209 on the day before the begin day; and another member's records.
    void AddKnownRecords() {
        FLedger->AddPayout(1, 1, QStringLiteral("十二月工资"), {}, 3000, QDate(2026, 12, 1), Member,
                           QStringLiteral("收入"));
        FLedger->AddPayout(2, 7, QStringLiteral("午饭"), 25, {}, QDate(2026, 12, 7), Member,
                           QStringLiteral("支出"));
        FLedger->AddPayout(3, 7, QStringLiteral("年夜饭"), 1000, {}, QDate(2027, 1, 6), Member,
                           QStringLiteral("支出"));
        FLedger->AddPayout(4, 8, QStringLiteral("O'Hare 机场大巴"), 209, {}, QDate(2026, 12, 6),
                           Member, QStringLiteral("支出"));
        FLedger->AddPayout(5, 7, QStringLiteral("饭"), 80, {}, QDate(2026, 12, 10), Other,
                           QStringLiteral("支出"));
        FLedger->AddPayout(6, 2, QStringLiteral("奖金"), {}, 500, QDate(2026, 12, 10), Other,
                           QStringLiteral("收入"));
    }

    TfrmPayQuery* Show() {
        auto form = std::make_unique<TfrmPayQuery>();
        frmPayQuery = form.get();
        form->resize(1000, 600);
        return ShowForm(std::move(form));
    }

    void Query() { Click(FForm->sbQuery); }

private slots:
    void init() {
        OpenLedger();
        ComboPub->CurPersonName = Member;
        ComboPub->CurPersonID = QStringLiteral("1");
        FLedger->AddPerson(2, Other, QStringLiteral("lisi"), QStringLiteral("1"));
        FLedger->AddPerson(3, QStringLiteral("   "), QStringLiteral("blank"), QStringLiteral("1"));
    }

    void cleanup() { CloseForm(); }

    // -- the filter bar and the pages ------------------------------------------------------------

    void filterBar() {
        TfrmPayQuery* form = Show();
        QCOMPARE(form->windowTitle(), QStringLiteral("收支查询分析"));
        QVERIFY(qobject_cast<TPanel*>(form->findChild<QWidget*>("Panel8")));
        QCOMPARE(Items(form->cbItemType), (QStringList{"全部", "收入", "支出"}));
        QCOMPARE(form->cbItemType->currentIndex(), -1);
        QVERIFY(!form->cbItemType->isEditable());
        QVERIFY(!form->cbPerson->isEditable());
        // Filled on show: "无" first, then the members with a name, nothing selected.
        QCOMPARE(Items(form->cbPerson), (QStringList{"无", Member, Other}));
        QCOMPARE(form->cbPerson->currentIndex(), -1);
        QCOMPARE(form->cbDate->text(), QStringLiteral("从"));
        QVERIFY(!form->cbDate->isChecked());
        QVERIFY(form->edtContent->text().isEmpty());
        QCOMPARE(form->sbQuery->text(), QStringLiteral("查询"));
        QCOMPARE(form->sbQuit->text(), QStringLiteral("退出"));
        const QList<std::pair<QLabel*, QWidget*>> labels = {{form->lblItemType, form->cbItemType},
                                                            {form->lblPerson, form->cbPerson},
                                                            {form->lblTo, form->dtpEnd},
                                                            {form->lblContent, form->edtContent}};
        const QStringList captions = {"收支类型", "记帐人", "至", "内容"};
        for (int i = 0; i < labels.size(); ++i) {
            QCOMPARE(labels[i].first->text(), captions[i]);
            QCOMPARE(labels[i].first->buddy(), labels[i].second);
        }

        // The pickers show the date alone and carry now and a second reading of now + 30 days.
        for (QDateTimeEdit* picker : {form->dtpBegin, form->dtpEnd}) {
            QVERIFY(picker->calendarPopup());
            QVERIFY(!(picker->displayedSections() & QDateTimeEdit::TimeSections_Mask));
        }
        QCOMPARE(form->dtpBegin->dateTime(), QDateTime(QDate(2026, 12, 7), QTime(10, 30)));
        QCOMPARE(form->dtpEnd->dateTime(), QDateTime(QDate(2027, 1, 6), QTime(10, 30)));

        // Tab order.
        const QList<QWidget*> order = {form->cbItemType, form->cbPerson, form->dtpBegin,
                                       form->cbDate,     form->dtpEnd,   form->edtContent};
        for (int i = 0; i + 1 < order.size(); ++i) {
            QWidget* next = order[i]->nextInFocusChain();
            while (next->focusPolicy() == Qt::NoFocus || !order.contains(next))
                next = next->nextInFocusChain();
            QCOMPARE(next, order[i + 1]);
        }

        QCOMPARE(form->pcPayout->count(), 2);
        QCOMPARE(form->pcPayout->tabText(0), QStringLiteral("帐目细节"));
        QCOMPARE(form->pcPayout->tabText(1), QStringLiteral("帐目统计"));
        QCOMPARE(form->pcPayout->widget(0), form->TabSheet1);
        QCOMPARE(form->pcPayout->widget(1), form->TabSheet2);
        QCOMPARE(form->pcPayout->currentIndex(), 0);
    }

    // -- the statements ---------------------------------------------------------------------------

    void showStatements() {
        AddKnownRecords();
        Show();
        QCOMPARE(FForm->qryPayout->SQL.join("\n"),
                 DetailsHead + "PersonName = '家长' order by UseDate");
        QCOMPARE(FForm->qryStat->SQL.join("\n"),
                 QStringLiteral(
                     "select b.ItemType, a.ItemProjectID, b.ItemProject, sum(a.IncomeAccount) as "
                     "iSum from fPayout a, bItemProject b where a.ItemProjectID = b.ItemProjectID "
                     "and a.ItemType = '收入' and a.PersonName = '家长' group by b.ItemType, "
                     "a.ItemProjectID, b.ItemProject union select b.ItemType, a.ItemProjectID, "
                     "b.ItemProject, 0 - sum(a.PayoutAccount) as iSum from fPayout a, bItemProject "
                     "b where a.ItemProjectID = b.ItemProjectID and a.ItemType = '支出' and "
                     "a.PersonName = '家长' group by b.ItemType, a.ItemProjectID, b.ItemProject "
                     "order by 1, 2"));

        // The member's records by day, the expenditure negated, the other amount left empty, the
        // category name looked up.
        TQuery& details = *FForm->qryPayout;
        QCOMPARE(Column(details, "PayoutID"), (QVariantList{1, 4, 2, 3}));
        QCOMPARE(Column(details, "ItemProject"), (QVariantList{"工资", "交通", "餐饮", "餐饮"}));
        QCOMPARE(Column(details, "PayoutAccount").value(2).toDouble(), -25.0);
        QVERIFY(Column(details, "IncomeAccount").value(2).isNull());
        QVERIFY(Column(details, "PayoutAccount").value(0).isNull());
        QCOMPARE(Column(details, "IncomeAccount").value(0).toDouble(), 3000.0);
        QCOMPARE(Sum(details, "PayoutAccount"), -1234.0);

        TQuery& stat = *FForm->qryStat;
        QCOMPARE(Column(stat, "ItemType"), (QVariantList{"支出", "支出", "收入"}));
        QCOMPARE(Column(stat, "ItemProject"), (QVariantList{"餐饮", "交通", "工资"}));
        QCOMPARE(Column(stat, "iSum"), (QVariantList{-1025, -209, 3000}));
        QCOMPARE(Sum(stat, "iSum"), 1766.0);
        QCOMPARE(FLedger->Messages.Boxes.size(), 0);
    }

    void clickStatements_data() {
        QTest::addColumn<int>("itemType");
        QTest::addColumn<QString>("person");
        QTest::addColumn<bool>("byDate");
        QTest::addColumn<QString>("content");
        QTest::addColumn<QString>("detailConditions");
        QTest::addColumn<QString>("statConditions");
        QTest::addColumn<QVariantList>("ids");
        QTest::addColumn<double>("statSum");
        const QVariantList all{1, 4, 2, 3};
        QTest::newRow("no filter")
            << -1 << QString() << false << QString() << QString() << QString() << all << 1766.0;
        QTest::newRow("first items") << 0 << QStringLiteral("无") << false << QString() << QString()
                                     << QString() << all << 1766.0;
        QTest::newRow("收入") << 1 << QString() << false << QString()
                              << QStringLiteral(" and ItemType = '收入'")
                              << QStringLiteral(" and a.ItemType = '收入'") << QVariantList{1}
                              << 3000.0;
        QTest::newRow("支出") << 2 << QString() << false << QString()
                              << QStringLiteral(" and ItemType = '支出'")
                              << QStringLiteral(" and a.ItemType = '支出'") << QVariantList{4, 2, 3}
                              << -1234.0;
        QTest::newRow("another member")
            << -1 << Other << false << QString() << QStringLiteral(" and PersonName = '李四'")
            << QStringLiteral(" and a.PersonName = '李四'") << QVariantList{} << 0.0;
        QTest::newRow("the current member")
            << -1 << Member << false << QString() << QStringLiteral(" and PersonName = '家长'")
            << QStringLiteral(" and a.PersonName = '家长'") << all << 1766.0;
        QTest::newRow("period") << -1 << QString() << true << QString()
                                << QStringLiteral(" and UseDate >= 46362.4375 and UseDate <= "
                                                  "46393.4375")
                                << QStringLiteral(" and a.UseDate >= 46362.4375 and a.UseDate <= "
                                                  "46393.4375")
                                << QVariantList{2, 3} << -1025.0;
        QTest::newRow("blanks only") << -1 << QString() << false << QStringLiteral("   ")
                                     << QString() << QString() << all << 1766.0;
        QTest::newRow("a word among blanks")
            << -1 << QString() << false << QStringLiteral("  饭  ")
            << QStringLiteral(" and Payout like '%饭%' escape '\\'")
            << QStringLiteral(" and a.Payout like '%饭%' escape '\\'") << QVariantList{2, 3}
            << -1025.0;
        QTest::newRow("an apostrophe")
            << -1 << QString() << false << QStringLiteral("O'Hare")
            << QStringLiteral(" and Payout like '%O''Hare%' escape '\\'")
            << QStringLiteral(" and a.Payout like '%O''Hare%' escape '\\'") << QVariantList{4}
            << -209.0;
        QTest::newRow("every filter")
            << 2 << Member << true << QStringLiteral("饭")
            << QStringLiteral(
                   " and ItemType = '支出' and PersonName = '家长' and UseDate >= "
                   "46362.4375 and UseDate <= 46393.4375 and Payout like '%饭%' escape '\\'")
            << QStringLiteral(
                   " and a.ItemType = '支出' and a.PersonName = '家长' and a.UseDate "
                   ">= 46362.4375 and a.UseDate <= 46393.4375 and a.Payout like '%饭%' escape '\\'")
            << QVariantList{2, 3} << -1025.0;
    }

    void clickStatements() {
        QFETCH(int, itemType);
        QFETCH(QString, person);
        QFETCH(bool, byDate);
        QFETCH(QString, content);
        QFETCH(QString, detailConditions);
        QFETCH(QString, statConditions);
        QFETCH(QVariantList, ids);
        QFETCH(double, statSum);
        AddKnownRecords();
        Show();
        FForm->cbItemType->setCurrentIndex(itemType);
        if (!person.isEmpty()) Choose(FForm->cbPerson, person);
        if (byDate) QTest::mouseClick(FForm->cbDate, Qt::LeftButton, {}, QPoint(4, 4));
        QCOMPARE(FForm->cbDate->isChecked(), byDate);
        Type(FForm->edtContent, content);
        Query();

        QCOMPARE(FForm->qryPayout->SQL.join("\n"), DetailsHead + "1 = 1 and PersonName = '家长'" +
                                                       detailConditions + " order by UseDate");
        QCOMPARE(FForm->qryStat->SQL.join("\n"), ClickStatistics(Member, statConditions));
        QCOMPARE(Column(*FForm->qryPayout, "PayoutID"), ids);
        QCOMPARE(Sum(*FForm->qryStat, "iSum"), statSum);
        QCOMPARE(FLedger->Messages.Boxes.size(), 0);

        // The filters keep their values, and the same click gives the same statements.
        const QString details = FForm->qryPayout->SQL.join("\n");
        Query();
        QCOMPARE(FForm->qryPayout->SQL.join("\n"), details);
        QCOMPARE(FForm->edtContent->text(), content);
    }

    // "%", "_" and the escape character typed into the content box are matched as themselves.
    void contentIsTakenLiterally_data() {
        QTest::addColumn<QString>("content");
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QVariantList>("ids");
        QTest::newRow("percent") << QStringLiteral("100%") << QStringLiteral("100\\%")
                                 << QVariantList{1};
        QTest::newRow("underscore")
            << QStringLiteral("a_b") << QStringLiteral("a\\_b") << QVariantList{3};
        QTest::newRow("escape character")
            << QStringLiteral("C:\\") << QStringLiteral("C:\\\\") << QVariantList{5};
        QTest::newRow("apostrophe and percent")
            << QStringLiteral("it's 5%") << QStringLiteral("it''s 5\\%") << QVariantList{6};
    }
    void contentIsTakenLiterally() {
        QFETCH(QString, content);
        QFETCH(QString, pattern);
        QFETCH(QVariantList, ids);
        const QStringList contents{"充值100%", "充值1000", "a_b", "axb", "C:\\", "it's 5%"};
        for (int i = 0; i < contents.size(); ++i)
            FLedger->AddPayout(i + 1, 7, contents[i], 10, {}, QDate(2026, 12, 1 + i), Member,
                               QStringLiteral("支出"));
        Show();
        Type(FForm->edtContent, content);
        Query();
        const QString condition = " and Payout like '%" + pattern + "%' escape '\\'";
        QCOMPARE(FForm->qryPayout->SQL.join("\n"),
                 DetailsHead + "1 = 1 and PersonName = '家长'" + condition + " order by UseDate");
        QCOMPARE(Column(*FForm->qryPayout, "PayoutID"), ids);
        QCOMPARE(Sum(*FForm->qryStat, "iSum"), -10.0 * ids.size());
        QCOMPARE(FLedger->Messages.Boxes.size(), 0);
    }

    // Only income filtered: the statistics hold income categories alone.
    void kindFilterEmptiesTheOtherHalf() {
        AddKnownRecords();
        Show();
        Choose(FForm->cbItemType, QStringLiteral("收入"));
        Query();
        QCOMPARE(Column(*FForm->qryStat, "ItemType"), QVariantList{"收入"});
        Choose(FForm->cbItemType, QStringLiteral("支出"));
        Query();
        QCOMPARE(Column(*FForm->qryStat, "ItemType"), (QVariantList{"支出", "支出"}));
        Choose(FForm->cbItemType, QStringLiteral("全部"));
        Query();
        QCOMPARE(Column(*FForm->qryStat, "ItemType"), (QVariantList{"支出", "支出", "收入"}));
    }

    // The begin day and the end day are included, the day before and the day after excluded,
    // whatever the time of day the form was shown at; choosing a date keeps that time.
    void periodBounds_data() {
        QTest::addColumn<QTime>("shown");
        QTest::addColumn<QString>("conditions");
        QTest::newRow("10:30") << QTime(10, 30)
                               << QStringLiteral(" and UseDate >= 46362.4375 and UseDate <= "
                                                 "46393.4375");
        QTest::newRow("midnight") << QTime(0, 0)
                                  << QStringLiteral(" and UseDate >= 46362.0000115741 and UseDate "
                                                    "<= 46393.0000115741");
        QTest::newRow("just before midnight")
            << QTime(23, 59, 59, 999)
            << QStringLiteral(" and UseDate >= 46362.9999999884 and UseDate <= 46393.9999999884");
    }

    void periodBounds() {
        QFETCH(QTime, shown);
        QFETCH(QString, conditions);
        TCommonDB::SetClock([shown] { return QDateTime(QDate(2026, 12, 7), shown); });
        int id = 0;
        for (const QDate& day :
             {QDate(2026, 12, 6), QDate(2026, 12, 7), QDate(2027, 1, 6), QDate(2027, 1, 7)})
            FLedger->AddPayout(++id, 7, QStringLiteral("午饭"), 10, {}, day, Member,
                               QStringLiteral("支出"));
        Show();
        QTest::mouseClick(FForm->cbDate, Qt::LeftButton, {}, QPoint(4, 4));
        Query();
        QCOMPARE(FForm->qryPayout->SQL.join("\n"),
                 DetailsHead + "1 = 1 and PersonName = '家长'" + conditions + " order by UseDate");
        QCOMPARE(Column(*FForm->qryPayout, "PayoutID"), (QVariantList{2, 3}));
        QCOMPARE(Sum(*FForm->qryStat, "iSum"), -20.0);

        // Another begin day: only the date part changes.
        FForm->dtpBegin->setDate(QDate(2026, 12, 6));
        QCOMPARE(FForm->dtpBegin->time(), FForm->dtpEnd->time());
        Query();
        QCOMPARE(Column(*FForm->qryPayout, "PayoutID"), (QVariantList{1, 2, 3}));
        // A begin day after the end day gives empty grids and no message.
        FForm->dtpBegin->setDate(QDate(2027, 1, 7));
        Query();
        QCOMPARE(FForm->qryPayout->RecordCount(), 0);
        QCOMPARE(FForm->qryStat->RecordCount(), 0);
        QCOMPARE(FLedger->Messages.Boxes.size(), 0);
    }

    void pickerValue_data() {
        QTest::addColumn<QTime>("moment");
        QTest::addColumn<QTime>("carried");
        QTest::newRow("midnight") << QTime(0, 0) << QTime(0, 0, 1);
        QTest::newRow("within the first second") << QTime(0, 0, 0, 999) << QTime(0, 0, 1);
        QTest::newRow("one second past") << QTime(0, 0, 1) << QTime(0, 0, 1);
        QTest::newRow("morning") << QTime(10, 30, 5, 12) << QTime(10, 30, 5, 12);
    }

    void pickerValue() {
        QFETCH(QTime, moment);
        QFETCH(QTime, carried);
        const QDate day(2026, 12, 7);
        QCOMPARE(TfrmPayQuery::PickerValue(QDateTime(day, moment)), QDateTime(day, carried));
    }

    // Each show resets the pickers, reloads the members and shows the unfiltered result.
    void showAgain() {
        AddKnownRecords();
        Show();
        Choose(FForm->cbItemType, QStringLiteral("收入"));
        Choose(FForm->cbPerson, Other);
        FForm->dtpBegin->setDate(QDate(2020, 1, 1));
        Query();
        QCOMPARE(FForm->qryPayout->RecordCount(), 0);
        FLedger->AddPerson(4, QStringLiteral("王五"), QStringLiteral("ww"), QStringLiteral("1"));
        TCommonDB::SetClock([] { return QDateTime(QDate(2026, 12, 8), QTime(9, 0)); });
        FForm->hide();
        FForm->show();
        QCOMPARE(Items(FForm->cbPerson), (QStringList{"无", Member, Other, "王五"}));
        QCOMPARE(FForm->cbPerson->currentIndex(), -1);
        QCOMPARE(FForm->dtpBegin->dateTime(), QDateTime(QDate(2026, 12, 8), QTime(9, 0)));
        QCOMPARE(FForm->dtpEnd->dateTime(), QDateTime(QDate(2027, 1, 7), QTime(9, 0)));
        QCOMPARE(Column(*FForm->qryPayout, "PayoutID"), (QVariantList{1, 4, 2, 3}));
    }

    // A member whose name holds an apostrophe sees their own records.
    void memberNameWithApostrophe() {
        ComboPub->CurPersonName = QStringLiteral("O'Neil");
        AddKnownRecords(); // none of them the member's
        FLedger->AddPayout(100, 7, QStringLiteral("午饭"), 25, {}, QDate(2026, 12, 7),
                           QStringLiteral("O'Neil"), QStringLiteral("支出"));
        Show();
        QCOMPARE(Column(*FForm->qryPayout, "PayoutID"), QVariantList{100});
        Query();
        QCOMPARE(Column(*FForm->qryPayout, "PayoutID"), QVariantList{100});
        QCOMPARE(Column(*FForm->qryStat, "iSum"), QVariantList{-25});
        QVERIFY(FForm->qryStat->SQL.join("\n").contains("a.PersonName = 'O''Neil'"));
        QCOMPARE(FLedger->Messages.Boxes.size(), 0);
    }

    // A rejected details statement is reported; the details stay closed and the totals are not
    // run.
    void failingDetails() {
        AddKnownRecords();
        Show();
        const QString statistics = FForm->qryStat->SQL.join("\n");
        FLedger->Exec("alter table fPayout rename to fPayoutGone");
        Query();
        QCOMPARE(FLedger->Messages.Boxes.size(), 1);
        QCOMPARE(FLedger->Messages.Boxes.first().Kind, TMessageKind::Error);
        QVERIFY(!FForm->qryPayout->Active());
        QCOMPARE(FForm->qryStat->SQL.join("\n"), statistics);
    }

    // -- the grids
    // ---------------------------------------------------------------------------------

    void detailsGrid() {
        AddKnownRecords();
        Show();
        TDBGrid* grid = FForm->dbgPayout;
        QCOMPARE(grid->DataSet(), FForm->qryPayout.get());
        QCOMPARE(grid->parentWidget(), FForm->TabSheet1);
        QStringList fields, captions, visible;
        for (const TGridColumn& column : grid->Columns()) {
            fields << column.Field;
            if (column.Visible) visible << column.Caption;
        }
        QCOMPARE(fields, (QStringList{"PayoutID", "ItemProjectID", "Payout", "ItemProject",
                                      "PayoutAccount", "IncomeAccount", "UseDate", "PersonName"}));
        QCOMPARE(visible,
                 (QStringList{"支出内容", "消费项目", "支出金额", "收入金额", "日期", "记帐人"}));
        QCOMPARE(grid->Columns()[6].Alignment & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
        for (const TGridColumn& column : grid->Columns())
            if (column.Visible)
                QCOMPARE(column.HeaderAlignment & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);

        // An expenditure of 25 reads -25 with the income cell empty; the category name shows.
        auto text = [grid](int row, const QString& field) {
            return grid->IndexOfRow(row, field).data(Qt::DisplayRole).toString();
        };
        QCOMPARE(text(2, "Payout"), QStringLiteral("午饭"));
        QCOMPARE(text(2, "PayoutAccount"), QStringLiteral("-￥25.00"));
        QCOMPARE(text(2, "IncomeAccount"), QString());
        QCOMPARE(text(2, "ItemProject"), QStringLiteral("餐饮"));
        QCOMPARE(text(2, "UseDate"), ShortDateText(QDate(2026, 12, 7)));
        QCOMPARE(text(0, "PayoutAccount"), QString());
        QCOMPARE(text(0, "IncomeAccount"), QStringLiteral("￥3,000.00"));
        QCOMPARE(grid->FooterText("PayoutAccount"), QStringLiteral("-￥1,234.00"));
        QCOMPARE(grid->FooterText("IncomeAccount"), QStringLiteral("￥3,000.00"));

        // A header click sorts.
        QHeaderView* header = grid->View()->header();
        const int column = grid->IndexOfRow(0, "PayoutAccount").column();
        QTest::mouseClick(
            header->viewport(), Qt::LeftButton, {},
            QPoint(header->sectionViewportPosition(column) + 5, header->height() / 2));
        QAbstractItemModel* shown = grid->View()->model();
        QCOMPARE(shown->index(0, column).data().toString(), QString()); // the income, empty
        QCOMPARE(shown->index(1, column).data().toString(), QStringLiteral("-￥1,000.00"));
        QCOMPARE(shown->index(3, column).data().toString(), QStringLiteral("-￥25.00"));
    }

    // An amount beyond the currency column (written by another tool) shows as out of range in the
    // details, in its category's total and in both footers; the other totals stay exact.
    void anAmountBeyondTheColumn() {
        FLedger->AddPayout(1, 1, QStringLiteral("工资"), {}, 3000, QDate(2026, 12, 1), Member,
                           QStringLiteral("收入"));
        FLedger->AddPayout(2, 7, QStringLiteral("别的程序写的"), 1e300, {}, QDate(2026, 12, 2),
                           Member, QStringLiteral("支出"));
        FLedger->AddPayout(3, 8, QStringLiteral("地铁"), 25, {}, QDate(2026, 12, 3), Member,
                           QStringLiteral("支出"));
        Show();
        const QString outOfRange = QStringLiteral("超出范围");
        QCOMPARE(Cell(FForm->dbgPayout, 1, "PayoutAccount"), outOfRange);
        QCOMPARE(FForm->dbgPayout->FooterText("PayoutAccount"), outOfRange);
        QCOMPARE(FForm->dbgPayout->FooterText("IncomeAccount"), QStringLiteral("￥3,000.00"));
        QMap<QString, QString> totals;
        for (int row = 0; row < FForm->qryStat->RecordCount(); ++row)
            totals[Cell(FForm->dbgStat, row, "ItemProject")] = Cell(FForm->dbgStat, row, "iSum");
        QCOMPARE(totals.value(QStringLiteral("餐饮")), outOfRange);
        QCOMPARE(totals.value(QStringLiteral("交通")), QStringLiteral("-￥25.00"));
        QCOMPARE(totals.value(QStringLiteral("工资")), QStringLiteral("￥3,000.00"));
        QCOMPARE(FForm->dbgStat->FooterText("iSum"), outOfRange);
        QCOMPARE(FLedger->Messages.Boxes.size(), 0);
    }

    void statisticsGrid() {
        AddKnownRecords();
        Show();
        TDBGrid* grid = FForm->dbgStat;
        QCOMPARE(grid->DataSet(), FForm->qryStat.get());
        QCOMPARE(grid->parentWidget(), FForm->TabSheet2);
        QCOMPARE(grid->GroupColumn(), QStringLiteral("ItemType"));
        QCOMPARE(grid->Columns().size(), 3);
        QVERIFY(!grid->Columns()[0].Visible);
        QCOMPARE(grid->Columns()[1].Caption, QStringLiteral("收支项目"));
        QCOMPARE(grid->Columns()[2].Caption, QStringLiteral("金额"));
        QCOMPARE(grid->FooterText("iSum"), QStringLiteral("￥1,766.00"));
        FForm->pcPayout->setCurrentIndex(1);
        QVERIFY(grid->GroupPanel()->isVisible());
        QVERIFY(grid->Footer()->isVisible());
        QVERIFY(FForm->dbgPayout->Footer()->isVisibleTo(FForm->dbgPayout));
        // The group rows name their kind.
        const QModelIndex firstGroup = grid->IndexOfRow(0, "ItemProject").parent();
        QCOMPARE(firstGroup.siblingAtColumn(grid->IndexOfRow(0, "ItemProject").column())
                     .data()
                     .toString(),
                 QStringLiteral("支出"));
        // Every group expanded: each category row is shown.
        for (int row = 0; row < FForm->qryStat->RecordCount(); ++row) {
            const QModelIndex index = grid->IndexOfRow(row, "ItemProject");
            QVERIFY(index.isValid());
            QVERIFY(!grid->View()->isRowHidden(index.row(), index.parent()));
            QVERIFY(grid->View()->isExpanded(index.parent()));
        }

        // Income alone: the footer is the income total; expenditure alone: its negative total;
        // another member: both grids empty.
        Choose(FForm->cbItemType, QStringLiteral("收入"));
        Query();
        QCOMPARE(grid->FooterText("iSum"), QStringLiteral("￥3,000.00"));
        Choose(FForm->cbItemType, QStringLiteral("支出"));
        Query();
        QCOMPARE(grid->FooterText("iSum"), QStringLiteral("-￥1,234.00"));
        QCOMPARE(FForm->dbgPayout->FooterText("IncomeAccount"), QStringLiteral("￥0.00"));
        Choose(FForm->cbItemType, QStringLiteral("全部"));
        Choose(FForm->cbPerson, Other);
        Query();
        QCOMPARE(FForm->dbgPayout->View()->model()->rowCount(), 0);
        QCOMPARE(grid->View()->model()->rowCount(), 0);
    }

    // -- the export ------------------------------------------------------------------------------

    // Each page as a file: the captions on screen, the rows as they are listed (the totals under
    // their kind), amounts plain with expenditure negative (four decimals where stored), the
    // footer's sums; the proposed name says what, whose and when.
    void exportPage_data() {
        QTest::addColumn<int>("page");
        QTest::addColumn<bool>("byDate");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text");
        QTest::newRow("details")
            << 0 << false << "收支明细-家长.csv"
            << "支出内容,消费项目,支出金额,收入金额,日期,记帐人\r\n"
               "十二月工资,工资,,3000.00,2026-12-01,家长\r\n"
               "O'Hare 机场大巴,交通,-209.00,,2026-12-06,家长\r\n"
               "午饭,餐饮,-25.00,,2026-12-07,家长\r\n"
               "\"房租,押金\",住房,-12.3456,,2026-12-08,家长\r\n"
               "'=年夜饭,餐饮,-1000.00,,2027-01-06,家长\r\n"
               "合计,,-1246.3456,3000.00,,\r\n";
        QTest::newRow("details for a period")
            << 0 << true << "收支明细-家长-20261207-20270106.csv"
            << "支出内容,消费项目,支出金额,收入金额,日期,记帐人\r\n"
               "午饭,餐饮,-25.00,,2026-12-07,家长\r\n"
               "\"房租,押金\",住房,-12.3456,,2026-12-08,家长\r\n"
               "'=年夜饭,餐饮,-1000.00,,2027-01-06,家长\r\n"
               "合计,,-1037.3456,0.00,,\r\n";
        QTest::newRow("statistics")
            << 1 << false << "收支统计-家长.csv"
            << "收支类型,收支项目,金额\r\n"
               "收入,工资,3000.00\r\n"
               "支出,餐饮,-1025.00\r\n"
               "支出,交通,-209.00\r\n"
               "支出,住房,-12.3456\r\n"
               "合计,,1753.6544\r\n";
    }
    void exportPage() {
        QFETCH(int, page);
        QFETCH(bool, byDate);
        QFETCH(QString, name);
        QFETCH(QString, text);
        AddKnownRecords();
        FLedger->Exec("update fPayout set Payout = '=年夜饭' where PayoutID = 3");
        FLedger->AddPayout(7, 9, QStringLiteral("房租,押金"), 12.3456, {}, QDate(2026, 12, 8),
                           Member, QStringLiteral("支出"));
        Show();
        if (byDate) {
            FForm->cbDate->setChecked(true);
            Query(); // from the day before the 7th: the bus ride on the 6th stays out
        }
        FForm->pcPayout->setCurrentIndex(page);
        const QString path = QDir::current().filePath("out.csv");
        QString proposed;
        WhenModal([&](QWidget* modal) {
            auto* dialog = qobject_cast<QFileDialog*>(modal);
            QVERIFY(dialog);
            proposed = dialog->selectedFiles().value(0);
            dialog->selectFile(path);
            static_cast<QDialog*>(dialog)->accept();
        });
        Click(FForm->sbExport);
        QCOMPARE(QFileInfo(proposed).fileName(), name);
        QCOMPARE(ReadAll(path), "\xEF\xBB\xBF" + text.toUtf8());
        QVERIFY2(LastMessage().contains(path), qPrintable(LastMessage()));
    }

    // Beside 查询; with nothing listed it says so and asks for no file.
    void exportNothing() {
        Show();
        QWidget* next = FForm->sbQuery->nextInFocusChain();
        QCOMPARE(next, FForm->sbExport);
        QCOMPARE(FForm->sbExport->text(), QStringLiteral("导出"));
        Click(FForm->sbExport);
        QCOMPARE(LastMessage(), QStringLiteral("“帐目细节”中没有帐目，没有可导出的内容。"));
        QVERIFY(!QApplication::activeModalWidget());
    }

    void quitHidesTheForm() {
        Show();
        QTest::mouseClick(FForm->sbQuit, Qt::LeftButton);
        QVERIFY(!FForm->isVisible());
    }

    // -- printing ---------------------------------------------------------------------------------

    // 打印 opens the print preview of the page shown, on portrait paper.
    void printPreviewsThePageShown_data() {
        QTest::addColumn<int>("page");
        QTest::newRow("帐目细节") << 0;
        QTest::newRow("帐目统计") << 1;
    }
    void printPreviewsThePageShown() {
        QFETCH(int, page);
        AddKnownRecords();
        TfrmPayQuery* form = Show();
        form->pcPayout->setCurrentIndex(page);
        const TPreviewSeen preview = PreviewOf(form->sbPrint);
        QCOMPARE(preview.Pages, 1);
        QCOMPARE(preview.Orientation, QPageLayout::Portrait);
        QVERIFY(!QApplication::activeModalWidget());
    }
};

QTEST_MAIN(TestPayQuery)
#include "tst_payquery.moc"
