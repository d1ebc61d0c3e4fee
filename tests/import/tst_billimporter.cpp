#include "ErrorOf.h"
#include "Fixture.h"

#include "data/DataModule.h"
#include "import/BillImporter.h"

#include <QSqlQuery>
#include <QSqlRecord>
#include <QTest>

namespace {

const QString Member = QStringLiteral("家长");

qint64 Fen(qint64 fen) {
    return fen * 100;
}

// A bill built in code, row by row, as a reader would yield it. Lines count from 3 (a header
// above), so a message's line is told from a row's index.
struct TBillMaker {
    TBill Bill;

    explicit TBillMaker(const QString& source = QStringLiteral("alipay")) {
        Bill.Source = source;
        Bill.Format = source == QStringLiteral("alipay") ? QStringLiteral("支付宝账单（CSV）")
                                                         : QStringLiteral("微信支付账单（CSV）");
    }
    TBillRow& Add(TBillDirection direction, const QString& time, qint64 units,
                  const QString& counterpart, const QString& item, const QString& order,
                  const QString& category = QString()) {
        TBillRow row;
        row.Line = int(Bill.Rows.size()) + 3;
        row.Time = QDateTime::fromString(time, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        row.Direction = direction;
        row.Units = units;
        row.Counterpart = counterpart;
        row.Item = item;
        row.OrderNo = order;
        row.Category = category;
        row.Method = QStringLiteral("余额");
        row.Status = QStringLiteral("交易成功");
        Bill.Rows.append(row);
        return Bill.Rows.last();
    }
    TBillRow& Pay(const QString& time, qint64 units, const QString& counterpart,
                  const QString& order, const QString& category = QString()) {
        return Add(TBillDirection::Expenditure, time, units, counterpart,
                   counterpart + QStringLiteral("订单"), order, category);
    }
    // An Alipay refund row: its own number, the payment's number before "_".
    TBillRow& Refund(const QString& time, qint64 units, const QString& of) {
        TBillRow& row = Add(TBillDirection::Neutral, time, units, QStringLiteral("商家"),
                            QStringLiteral("退款-订单"),
                            of + QStringLiteral("_R") + QString::number(Bill.Rows.size()),
                            QStringLiteral("退款"));
        row.IsRefund = true;
        row.RefundOf = of;
        return row;
    }
};

// Every row of every table and the schema, for "nothing changed".
QString Dump(QSqlDatabase& connection) {
    QString text;
    if (TTestLedger::OnServer()) { // each table's columns and rows, in the order of their values
        QStringList names = connection.tables();
        names.sort();
        for (const QString& name : names) {
            const QSqlRecord columns = connection.record(name);
            for (int c = 0; c < columns.count(); ++c)
                text += columns.fieldName(c) + u' ';
            text += u'\n';
            QSqlQuery rows(connection);
            rows.exec("select * from " + name + " as t order by t");
            while (rows.next())
                for (int c = 0; c < columns.count(); ++c)
                    text += rows.value(c).toString() +
                            QLatin1String(rows.value(c).isNull() ? "∅|" : "|");
            text += u'\n';
        }
        return text;
    }
    QSqlQuery tables(connection);
    tables.exec("select name, sql from sqlite_master where type = 'table' and name not like "
                "'sqlite_stat%' order by name");
    while (tables.next()) {
        text += tables.value(1).toString() + u'\n';
        QSqlQuery rows(connection);
        rows.exec("select * from " + tables.value(0).toString() + " order by rowid");
        while (rows.next())
            for (int c = 0; c < rows.record().count(); ++c)
                text +=
                    rows.value(c).toString() + QLatin1String(rows.value(c).isNull() ? "∅|" : "|");
        text += u'\n';
    }
    return text;
}

// The amount of a record in its kind's column, in ten-thousandths, as the grids read it.
qint64 UnitsOf(TTestLedger& ledger, qint64 payoutID) {
    return ledger
        .Scalar("select cast(round(coalesce(PayoutAccount, IncomeAccount) * 10000) as bigint) "
                "from fPayout where PayoutID = ?",
                {payoutID})
        .toLongLong();
}

qint64 CategoryID(TTestLedger& ledger, const QString& name) {
    return ledger.Scalar("select ItemProjectID from bItemProject where ItemProject = ?", {name})
        .toLongLong();
}

TImportCounts Import(TTestLedger& ledger, const TBill& bill) {
    TBillImporter importer(ledger.Connection(), Member);
    return importer.Write(importer.Plan(bill));
}

int Records(TTestLedger& ledger) {
    return ledger.Scalar("select count(*) from fPayout").toInt();
}

} // namespace

Q_DECLARE_METATYPE(TBillDirection)

class TestBillImporter : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // A record as the entry form stamps it, with the bill's details in its note.
    void recordIsStampedAsTheEntryFormDoes() {
        TTestLedger ledger;
        TBillMaker bill;
        TBillRow& row =
            bill.Pay("2026-11-03 12:34:56", Fen(4974), "美团", "2026110322001", "餐饮美食");
        row.Item = "午餐外卖";
        row.MerchantOrderNo = "M001";
        row.Note = "加辣";
        const TImportCounts counts = Import(ledger, bill.Bill);
        QCOMPARE(counts.Imported, 1);
        QSqlQuery q(ledger.Connection());
        QVERIFY(
            q.exec("select PayoutID, ItemProjectID, Payout, PayoutAccount, IncomeAccount, "
                   "UseDate, UseDate, PersonName, Memos, ItemType, MonthNum, YearNum, "
                   "QuarterNum from fPayout"));
        QVERIFY(q.next());
        QCOMPARE(q.value(0).toLongLong(), 1);
        QCOMPARE(q.value(1).toLongLong(), CategoryID(ledger, "餐饮"));
        QCOMPARE(q.value(2).toString(), QString("午餐外卖"));
        QCOMPARE(ledger.KindOf("select PayoutAccount from fPayout"), QString("real"));
        QVERIFY(q.value(4).isNull());
        QCOMPARE(q.value(5).toLongLong(), QDate(1899, 12, 30).daysTo(QDate(2026, 11, 3)));
        QCOMPARE(ledger.KindOf("select UseDate from fPayout"), QString("integer"));
        QCOMPARE(q.value(7).toString(), Member);
        QCOMPARE(q.value(8).toString(),
                 QString("交易对方：美团\n支付方式：余额\n交易时间：2026-11-03 "
                         "12:34:56\n交易单号：2026110322001\n商户单号：M001\n"
                         "备注：加辣\n来源：支付宝账单"));
        QCOMPARE(q.value(9).toString(), QString("支出"));
        QCOMPARE(q.value(10).toInt(), 11);
        QCOMPARE(q.value(11).toInt(), 2026);
        QCOMPARE(q.value(12).toInt(), 4);
        QCOMPARE(UnitsOf(ledger, 1), Fen(4974));
    }

    void amountsAreExactToTheFen_data() {
        QTest::addColumn<TBillDirection>("direction");
        QTest::addColumn<qint64>("fen");
        QTest::addColumn<QString>("stored");
        QTest::newRow("one fen") << TBillDirection::Expenditure << qint64(1) << "real";
        QTest::newRow("49.74") << TBillDirection::Expenditure << qint64(4974) << "real";
        QTest::newRow("1234567.89 income") << TBillDirection::Income << qint64(123456789) << "real";
        QTest::newRow("whole yuan") << TBillDirection::Expenditure << qint64(12300) << "integer";
    }
    void amountsAreExactToTheFen() {
        QFETCH(TBillDirection, direction);
        QFETCH(qint64, fen);
        QFETCH(QString, stored);
        TTestLedger ledger;
        TBillMaker bill;
        bill.Add(direction, "2026-11-03 08:00:00", Fen(fen), "某公司", "款项", "A1");
        Import(ledger, bill.Bill);
        const QString column =
            direction == TBillDirection::Income ? "IncomeAccount" : "PayoutAccount";
        QCOMPARE(ledger.KindOf("select " + column + " from fPayout"), stored);
        QCOMPARE(UnitsOf(ledger, 1), Fen(fen));
    }

    // Many fen values add up exactly, row by row as the grids' totals add them.
    void sumsOfManyFenValuesAreExact() {
        TTestLedger ledger;
        TBillMaker bill;
        qint64 expected = 0;
        for (int i = 0; i < 2000; ++i) {
            const qint64 fen = 1 + (i * 7919) % 99999;
            expected += Fen(fen);
            bill.Pay(QString("2026-11-%1 10:00:00").arg(1 + i % 28, 2, 10, QChar('0')), Fen(fen),
                     "商户", QString("N%1").arg(i));
        }
        Import(ledger, bill.Bill);
        QCOMPARE(
            ledger.Scalar("select sum(cast(round(PayoutAccount * 10000) as bigint)) from fPayout")
                .toLongLong(),
            expected);
    }

    // The same bill again, an overlapping one, and rows without order numbers: nothing twice.
    void nothingIsImportedTwice() {
        TTestLedger ledger;
        TBillMaker first("wechat");
        first.Pay("2026-11-01 09:00:00", Fen(1000), "瑞幸", "W1");
        first.Pay("2026-11-02 09:00:00", Fen(2000), "瑞幸", "W2");
        // two equal rows without numbers are two payments
        first.Pay("2026-11-03 09:00:00", Fen(500), "早餐铺", "");
        first.Pay("2026-11-03 09:00:00", Fen(500), "早餐铺", "");
        QCOMPARE(Import(ledger, first.Bill).Imported, 4);

        const TImportCounts again = Import(ledger, first.Bill);
        QCOMPARE(again.Imported, 0);
        QCOMPARE(again.AlreadyImported, 4);

        TBillMaker overlap("wechat");
        overlap.Pay("2026-11-02 09:00:00", Fen(2000), "瑞幸", "W2");
        overlap.Pay("2026-11-03 09:00:00", Fen(500), "早餐铺", "");
        overlap.Pay("2026-11-03 09:00:00", Fen(500), "早餐铺", "");
        overlap.Pay("2026-11-03 09:00:00", Fen(500), "早餐铺", ""); // a third that day
        overlap.Pay("2026-11-04 09:00:00", Fen(3000), "瑞幸", "W3");
        const TImportCounts counts = Import(ledger, overlap.Bill);
        QCOMPARE(counts.Imported, 2);
        QCOMPARE(counts.AlreadyImported, 3);
        QCOMPARE(Records(ledger), 6);
        // another source's numbers are its own
        TBillMaker other("alipay");
        other.Pay("2026-11-01 09:00:00", Fen(1000), "瑞幸", "W1");
        QCOMPARE(Import(ledger, other.Bill).Imported, 1);
    }

    void rowsThatAreNoPaymentAreSkipped() {
        TTestLedger ledger;
        TBillMaker bill("wechat");
        bill.Add(TBillDirection::Neutral, "2026-11-01 09:00:00", Fen(10000), "/", "零钱提现", "N1");
        bill.Pay("2026-11-01 10:00:00", Fen(800), "面馆", "C1").Closed = true;
        bill.Pay("2026-11-01 11:00:00", Fen(900), "面馆", "P1");
        TBillImporter importer(ledger.Connection(), Member);
        const TImportPlan plan = importer.Plan(bill.Bill);
        QCOMPARE(plan.Rows[0].Reason, TSkipReason::Neutral);
        QCOMPARE(plan.Rows[1].Reason, TSkipReason::Closed);
        QVERIFY(!plan.Rows[1].Checked);
        const TImportCounts counts = importer.Write(plan);
        QCOMPARE(counts.Imported, 1);
        QCOMPARE(counts.Skipped, 2);
        QCOMPARE(Records(ledger), 1);
    }

    // Refunds within one bill: full ones leave no record, partial ones net the payment.
    void refundsInTheSameBill() {
        TTestLedger ledger;
        TBillMaker bill;
        bill.Pay("2026-11-01 09:00:00", Fen(3000), "书店", "A1");
        bill.Refund("2026-11-02 09:00:00", Fen(3000), "A1");
        bill.Pay("2026-11-03 09:00:00", Fen(10000), "鞋店", "A2");
        bill.Refund("2026-11-04 09:00:00", Fen(3050), "A2");
        bill.Refund("2026-11-05 09:00:00", Fen(8000), "A2"); // more than is left: not this one's
        TBillImporter importer(ledger.Connection(), Member);
        const TImportPlan plan = importer.Plan(bill.Bill);
        QCOMPARE(plan.Rows[0].Reason, TSkipReason::FullyRefunded);
        QCOMPARE(plan.Rows[1].Reason, TSkipReason::RefundNetted);
        QCOMPARE(plan.Rows[2].NetUnits, Fen(6950));
        QCOMPARE(plan.Rows[4].Reason, TSkipReason::Unmatched);
        const TImportCounts counts = importer.Write(plan);
        QCOMPARE(counts.Imported, 1);
        QCOMPARE(counts.RefundsNetted, 2);
        QCOMPARE(counts.Skipped, 2);
        QCOMPARE(Records(ledger), 1);
        QCOMPARE(UnitsOf(ledger, 1), Fen(6950));
        QVERIFY(ledger.Scalar("select Memos from fPayout").toString().contains("退款：￥30.50"));
        // the same bill again changes nothing
        const TImportCounts again = Import(ledger, bill.Bill);
        QCOMPARE(again.Imported, 0);
        QCOMPARE(again.AlreadyImported, 3); // and the payment refunded in full is again so
        QCOMPARE(UnitsOf(ledger, 1), Fen(6950));
    }

    // WeChat: the status says what was refunded, a "-退款" row says it again; taken off once.
    void wechatRefundByStatusAndRow_data() {
        QTest::addColumn<QString>("merchant");
        QTest::newRow("by merchant order") << "M9";
        QTest::newRow("by counterpart and amount") << "";
    }
    void wechatRefundByStatusAndRow() {
        QFETCH(QString, merchant);
        TTestLedger ledger;
        TBillMaker bill("wechat");
        TBillRow& refund = bill.Add(TBillDirection::Income, "2026-11-05 09:00:00", Fen(500), "超市",
                                    "/", "R1", "微信支付-退款"); // listed newest first
        refund.IsRefund = true;
        refund.MerchantOrderNo = merchant;
        TBillRow& paid = bill.Pay("2026-11-04 09:00:00", Fen(10000), "超市", "W1", "商户消费");
        paid.MerchantOrderNo = merchant;
        paid.RefundedUnits = Fen(500);
        paid.Status = "已退款(￥5.00)";
        bill.Pay("2026-11-04 10:00:00", Fen(10000), "超市", "W2", "商户消费").MerchantOrderNo =
            merchant.isEmpty() ? "" : "M8";
        const TImportCounts counts = Import(ledger, bill.Bill);
        QCOMPARE(counts.Imported, 2);
        QCOMPARE(counts.RefundsNetted, 1);
        QCOMPARE(UnitsOf(ledger, 1), Fen(9500));
        QCOMPARE(UnitsOf(ledger, 2), Fen(10000));
    }

    // A refund of a payment imported earlier takes it off that record, once; a full one removes
    // the record, as if both had been in one bill.
    void refundOfAnEarlierImport() {
        TTestLedger ledger;
        TBillMaker november;
        november.Pay("2026-11-28 09:00:00", Fen(10000), "电器行", "A1");
        Import(ledger, november.Bill);

        TBillMaker december;
        december.Refund("2026-12-01 09:00:00", Fen(4000), "A1");
        TBillImporter importer(ledger.Connection(), Member);
        const TImportPlan plan = importer.Plan(december.Bill);
        QCOMPARE(plan.Rows[0].Reason, TSkipReason::None);
        QCOMPARE(plan.Rows[0].ReducesPayoutID, 1);
        QCOMPARE(plan.Rows[0].NetUnits, Fen(6000));
        QCOMPARE(importer.Write(plan).RefundsNetted, 1);
        QCOMPARE(UnitsOf(ledger, 1), Fen(6000));
        QCOMPARE(Import(ledger, december.Bill).AlreadyImported, 1);
        QCOMPARE(UnitsOf(ledger, 1), Fen(6000));

        // the rest comes back later: nothing is left of the payment
        december.Refund("2026-12-02 09:00:00", Fen(6000), "A1");
        const TImportCounts counts = Import(ledger, december.Bill);
        QCOMPARE(counts.RefundsNetted, 1);
        QCOMPARE(Records(ledger), 0);
        // and a refund beyond what was paid matches nothing
        december.Refund("2026-12-03 09:00:00", Fen(100), "A1");
        QCOMPARE(importer.Plan(december.Bill).Rows[2].Reason, TSkipReason::RefundNetted);
    }

    // A record removed by its refund leaves no trace on its key, which the next payment may take;
    // a record deleted by hand keeps its key from new ones, so its refund never reduces another.
    void keysOfRemovedRecords() {
        TTestLedger ledger;
        const auto import = [&](auto add) {
            TBillMaker bill;
            add(bill);
            return Import(ledger, bill.Bill);
        };
        import([](TBillMaker& b) { b.Pay("2026-11-01 09:00:00", Fen(10000), "书店", "A1"); });
        import([](TBillMaker& b) { b.Refund("2026-11-02 09:00:00", Fen(10000), "A1"); });
        QCOMPARE(Records(ledger), 0);
        import([](TBillMaker& b) { b.Pay("2026-11-03 09:00:00", Fen(10000), "鞋店", "B1"); });
        QCOMPARE(import([](TBillMaker& b) { b.Refund("2026-11-04 09:00:00", Fen(4000), "B1"); })
                     .RefundsNetted,
                 1);
        QCOMPARE(UnitsOf(ledger, 1), Fen(6000));

        ledger.Exec("delete from fPayout where PayoutID = 1"); // by hand
        import([](TBillMaker& b) { b.Pay("2026-11-05 09:00:00", Fen(6000), "鞋店", "C1"); });
        QCOMPARE(ledger.Scalar("select max(PayoutID) from fPayout").toInt(), 2);
        TBillMaker refund;
        refund.Refund("2026-11-06 09:00:00", Fen(6000), "B1").OrderNo = "B1_R9";
        QCOMPARE(TBillImporter(ledger.Connection(), Member).Plan(refund.Bill).Rows[0].Reason,
                 TSkipReason::ChangedByHand);
        QCOMPARE(Import(ledger, refund.Bill).ToDecide, 1);
        QCOMPARE(UnitsOf(ledger, 2), Fen(6000));
    }

    // A refund that was closed never happened: its payment stays whole.
    void closedRefund() {
        TTestLedger ledger;
        TBillMaker bill;
        bill.Pay("2026-11-01 09:00:00", Fen(10000), "书店", "A1");
        bill.Refund("2026-11-02 09:00:00", Fen(10000), "A1").Closed = true;
        const TImportCounts counts = Import(ledger, bill.Bill);
        QCOMPARE(counts.Imported, 1);
        QCOMPARE(counts.RefundsNetted, 0);
        QCOMPARE(UnitsOf(ledger, 1), Fen(10000));
    }

    // WeChat: a "-退款" row of a payment imported earlier is matched by merchant order or by
    // counterpart, and taken off only where the payment's status had not taken it off already.
    void wechatRefundOfAnEarlierImport_data() {
        QTest::addColumn<QString>("merchant");
        QTest::addColumn<qint64>("statusRefund");
        QTest::addColumn<qint64>("left");
        QTest::newRow("by merchant order") << "M9" << qint64(0) << Fen(7000);
        QTest::newRow("by counterpart") << "" << qint64(0) << Fen(7000);
        QTest::newRow("status had it") << "M9" << Fen(3000) << Fen(7000);
    }
    void wechatRefundOfAnEarlierImport() {
        QFETCH(QString, merchant);
        QFETCH(qint64, statusRefund);
        QFETCH(qint64, left);
        TTestLedger ledger;
        TBillMaker november("wechat");
        TBillRow& paid = november.Pay("2026-11-30 09:00:00", Fen(10000), "超市", "W1");
        paid.MerchantOrderNo = merchant;
        paid.RefundedUnits = statusRefund;
        Import(ledger, november.Bill);

        TBillMaker december("wechat");
        TBillRow& refund = december.Add(TBillDirection::Income, "2026-12-02 09:00:00", Fen(3000),
                                        "超市", "/", "R1", "微信支付-退款");
        refund.IsRefund = true;
        refund.MerchantOrderNo = merchant;
        TBillRow& again = december.Pay("2026-11-30 09:00:00", Fen(10000), "超市", "W1");
        again.MerchantOrderNo = merchant;
        again.RefundedUnits = Fen(3000);
        const TImportCounts counts = Import(ledger, december.Bill);
        QCOMPARE(counts.RefundsNetted, 1);
        QCOMPARE(counts.AlreadyImported, 1);
        QCOMPARE(UnitsOf(ledger, 1), left);
        QCOMPARE(Import(ledger, december.Bill).AlreadyImported, 2);
        QCOMPARE(UnitsOf(ledger, 1), left);
    }

    // A record changed by hand since its import is not reduced unless the user says so.
    void refundOfARecordChangedByHand_data() {
        QTest::addColumn<QString>("change");
        QTest::addColumn<qint64>("left");
        QTest::newRow("amount") << "update fPayout set PayoutAccount = 90" << Fen(5000);
        QTest::newRow("deleted") << "delete from fPayout" << qint64(-1);
    }
    void refundOfARecordChangedByHand() {
        QFETCH(QString, change);
        QFETCH(qint64, left);
        TTestLedger ledger;
        TBillMaker november;
        november.Pay("2026-11-28 09:00:00", Fen(10000), "电器行", "A1");
        Import(ledger, november.Bill);
        ledger.Exec(change);
        const QString before = Dump(ledger.Connection());

        TBillMaker december;
        december.Refund("2026-12-01 09:00:00", Fen(4000), "A1");
        TBillImporter importer(ledger.Connection(), Member);
        TImportPlan plan = importer.Plan(december.Bill);
        QCOMPARE(plan.Rows[0].Reason, TSkipReason::ChangedByHand);
        QVERIFY(!plan.Rows[0].Checked);
        const TImportCounts counts = importer.Write(plan);
        QCOMPARE(counts.ToDecide, 1);
        QCOMPARE(counts.Skipped, 1);
        QCOMPARE(Dump(ledger.Connection()), before);

        plan = importer.Plan(december.Bill);
        plan.Rows[0].Checked = true; // the user applies it anyway
        QCOMPARE(importer.Write(plan).RefundsNetted, 1);
        if (left >= 0) QCOMPARE(UnitsOf(ledger, 1), left);
        QCOMPARE(importer.Plan(december.Bill).Rows[0].Reason, TSkipReason::AlreadyImported);
    }

    void categoriesByDefault_data() {
        QTest::addColumn<TBillDirection>("direction");
        QTest::addColumn<QString>("billCategory");
        QTest::addColumn<QString>("counterpart");
        QTest::addColumn<QString>("category");
        const auto out = TBillDirection::Expenditure;
        const auto in = TBillDirection::Income;
        QTest::newRow("餐饮美食") << out << "餐饮美食"
                                  << "小馆"
                                  << "餐饮";
        QTest::newRow("日用百货") << out << "日用百货"
                                  << "超市"
                                  << "日用品";
        QTest::newRow("转账红包 paid") << out << "转账红包"
                                       << "张三"
                                       << "人情往来";
        QTest::newRow("转账红包 received") << in << "转账红包"
                                           << "张三"
                                           << "礼金收入";
        QTest::newRow("WeChat 微信红包（单发）") << out << "微信红包（单发）"
                                                 << "李四"
                                                 << "人情往来";
        QTest::newRow("投资理财 income") << in << "投资理财"
                                         << "基金"
                                         << "投资收益";
        QTest::newRow("counterpart keyword") << out << "商户消费"
                                             << "滴滴出行"
                                             << "交通";
        QTest::newRow("bill category first") << out << "餐饮美食"
                                             << "滴滴出行"
                                             << "餐饮";
        QTest::newRow("nothing maps") << out << "其他"
                                      << "某店"
                                      << "其他支出";
        QTest::newRow("nothing maps, income") << in << "其他"
                                              << "某人"
                                              << "其他收入";
    }
    void categoriesByDefault() {
        QFETCH(TBillDirection, direction);
        QFETCH(QString, billCategory);
        QFETCH(QString, counterpart);
        QFETCH(QString, category);
        TTestLedger ledger;
        TBillMaker bill;
        bill.Add(direction, "2026-11-01 09:00:00", Fen(100), counterpart, "x", "A1", billCategory);
        const TImportPlan plan = TBillImporter(ledger.Connection(), Member).Plan(bill.Bill);
        QCOMPARE(plan.Rows[0].CategoryName, category);
        QCOMPARE(plan.Rows[0].ItemProjectID, CategoryID(ledger, category));
    }

    // The preview's lists read as a Chinese reader looks names up: by pinyin, not by code point
    // (交通 U+4EA4 would come before 餐饮 U+9910).
    void categoriesInChineseOrder() {
        TTestLedger ledger;
        QStringList names;
        for (const auto& category : TBillImporter(ledger.Connection(), Member).Categories("支出"))
            names << category.second;
        QVERIFY2(names.indexOf("餐饮") >= 0 && names.indexOf("餐饮") < names.indexOf("交通"),
                 qPrintable(names.join(' ')));
        QVERIFY2(names.indexOf("交通") < names.indexOf("人情往来") &&
                     names.indexOf("人情往来") < names.indexOf("住房"),
                 qPrintable(names.join(' ')));
    }

    // The category the user picks for a counterpart is proposed for it the next time.
    void chosenCategoryIsRemembered() {
        TTestLedger ledger;
        TBillImporter importer(ledger.Connection(), Member);
        TBillMaker first;
        first.Pay("2026-11-01 09:00:00", Fen(100), "青少年宫", "A1", "教育培训");
        TImportPlan plan = importer.Plan(first.Bill);
        QCOMPARE(plan.Rows[0].CategoryName, QString("教育"));
        plan.Rows[0].ItemProjectID = CategoryID(ledger, "娱乐");
        plan.Rows[0].CategoryName = "娱乐";
        plan.Rows[0].CategoryChosen = true;
        importer.Write(plan);
        TBillMaker second;
        second.Pay("2026-12-01 09:00:00", Fen(100), "青少年宫", "A2", "教育培训");
        second.Add(TBillDirection::Income, "2026-12-01 09:00:00", Fen(100), "青少年宫", "x", "A3");
        plan = importer.Plan(second.Bill);
        QCOMPARE(plan.Rows[0].ItemProjectID, CategoryID(ledger, "娱乐"));
        QCOMPARE(plan.Rows[1].CategoryName, QString("其他收入")); // the other kind is not
    }

    // A ledger without 其他支出 gets it, with its kind, under a key that no record of a deleted
    // category holds.
    void missingOtherCategoryIsCreated() {
        TTestLedger ledger;
        ledger.Exec("delete from bItemProject where ItemProject = '其他支出'");
        ledger.AddPayout(1, 40, "旧记录", 5, QVariant(), QDate(2026, 1, 1), Member, "支出");
        TBillMaker bill;
        bill.Pay("2026-11-01 09:00:00", Fen(100), "某店", "A1");
        bill.Pay("2026-11-02 09:00:00", Fen(100), "某店", "A2");
        TBillImporter importer(ledger.Connection(), Member);
        const TImportPlan plan = importer.Plan(bill.Bill);
        QCOMPARE(plan.Rows[0].ItemProjectID, 0);
        QCOMPARE(plan.Rows[0].CategoryName, QString("其他支出"));
        importer.Write(plan);
        QCOMPARE(ledger
                     .Scalar("select count(*) from bItemProject where ItemProject = '其他支出' "
                             "and ItemType = '支出' and ItemProjectID = 41")
                     .toInt(),
                 1);
        QCOMPARE(ledger.Scalar("select count(*) from fPayout where ItemProjectID = 41").toInt(), 2);
    }

    void longContentIsCutAndNoted() {
        TTestLedger ledger;
        TBillMaker bill;
        const QString item = QString(150, QChar(u'货')) + QString(60, QChar(u'物'));
        bill.Pay("2026-11-01 09:00:00", Fen(100), "某店", "A1").Item = item;
        Import(ledger, bill.Bill);
        QCOMPARE(ledger.Scalar("select Payout from fPayout").toString(), item.left(200));
        QVERIFY(ledger.Scalar("select Memos from fPayout")
                    .toString()
                    .contains("收支内容过长，完整内容：" + item));
    }

    // A row the ledger refuses, however late in the bill, leaves the ledger as it was and the
    // message names the row's line.
    void failureLeavesTheLedgerAsItWas_data() {
        QTest::addColumn<QString>("person");
        QTest::addColumn<int>("line");
        QTest::newRow("the last row fails") << Member << 43;
        QTest::newRow("a member name too wide") << QString(51, QChar(u'名')) << 3;
    }
    void failureLeavesTheLedgerAsItWas() {
        QFETCH(QString, person);
        QFETCH(int, line);
        TTestLedger ledger;
        // an older ledger: the import's tables are made within the write too
        ledger.Exec("drop table fBillImport");
        ledger.Exec("drop table bBillCategoryRule");
        ledger.Exec("delete from bItemProject where ItemProject = '其他支出'");
        ledger.Refuse("insert", "fPayout", "测试拒绝", "new.Payout = '坏'");
        const QString before = Dump(ledger.Connection());
        TBillMaker bill;
        for (int i = 0; i < 40; ++i)
            bill.Pay("2026-11-01 09:00:00", Fen(100 + i), "某店", QString("A%1").arg(i));
        bill.Pay("2026-11-02 09:00:00", Fen(100), "某店", "LAST").Item = "坏";
        QCOMPARE(bill.Bill.Rows.last().Line, 43);
        TBillImporter importer(ledger.Connection(), person);
        const QString error = ErrorOf([&] { importer.Write(importer.Plan(bill.Bill)); });
        QVERIFY2(error.startsWith(QString("导入失败，账本没有改动：账单第 %1 行：").arg(line)),
                 qPrintable(error));
        QCOMPARE(Dump(ledger.Connection()), before);
        // no transaction left open (a server's rollback succeeds without one)
        if (TTestLedger::OnServer())
            QVERIFY(ledger.Scalar("select now() = statement_timestamp()").toBool());
        else
            QVERIFY(!ledger.Connection().rollback());
    }

    void olderLedgerGetsTheImportTablesAtOpen() {
        TTestLedger ledger;
        ledger.Exec("drop table fBillImport");
        dmMain->cnHearthbook.close();
        dmMain->Open();
        QVERIFY(ledger.Tables().contains("fBillImport", Qt::CaseInsensitive));
    }

    void countsLine() {
        TImportCounts counts;
        counts.Imported = 12;
        counts.AlreadyImported = 3;
        counts.Skipped = 5;
        counts.RefundsNetted = 2;
        QCOMPARE(
            TBillImporter::CountsText(counts),
            QString("已导入 12 条，已在账本中 3 条，跳过 5 条（不计收支、交易关闭、全额退款等），"
                    "冲抵退款 2 笔"));
        counts.ToDecide = 1;
        QCOMPARE(
            TBillImporter::CountsText(counts),
            QString("已导入 12 条，已在账本中 3 条，跳过 5 条（不计收支、交易关闭、全额退款等），"
                    "冲抵退款 2 笔；另有 1 笔退款的原记录已被手工修改，没有冲抵，"
                    "请在程序的“导入账单”窗口中确认"));
    }
};

QTEST_GUILESS_MAIN(TestBillImporter)
#include "tst_billimporter.moc"
