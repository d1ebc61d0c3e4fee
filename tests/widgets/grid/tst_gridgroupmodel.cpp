#include "widgets/grid/GridGroupModel.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTest>

namespace {

// A flat model like a grid's: display text, and the raw value in Qt::UserRole.
void SetRow(QStandardItemModel& model, int row, const QString& type, const QString& name,
            const QVariant& amount) {
    const QVariantList values{type, name, amount};
    for (int column = 0; column < values.size(); ++column) {
        auto* item = new QStandardItem(values.at(column).toString());
        item->setData(values.at(column), Qt::UserRole);
        model.setItem(row, column, item);
    }
}

QStringList Groups(const TGridGroupModel& model) {
    QStringList texts;
    for (int row = 0; row < model.rowCount(); ++row)
        texts << model.index(row, 1).data().toString();
    return texts;
}

QStringList Names(const TGridGroupModel& model, int group) {
    QStringList names;
    const QModelIndex parent = model.index(group, 0);
    for (int row = 0; row < model.rowCount(parent); ++row)
        names << model.index(row, 1, parent).data().toString();
    return names;
}

} // namespace

class TestGridGroupModel : public QObject {
    Q_OBJECT

    QStandardItemModel FSource;
    std::unique_ptr<TGridGroupModel> FModel;
    std::unique_ptr<QAbstractItemModelTester> FTester;

private slots:
    void init() {
        FSource.clear();
        FSource.setColumnCount(3);
        SetRow(FSource, 0, QStringLiteral("支出"), QStringLiteral("午饭"), -25);
        SetRow(FSource, 1, QStringLiteral("收入"), QStringLiteral("工资"), 3000);
        SetRow(FSource, 2, QStringLiteral("支出"), QStringLiteral("电费"), -1209);
        FModel = std::make_unique<TGridGroupModel>();
        FTester = std::make_unique<QAbstractItemModelTester>(
            FModel.get(), QAbstractItemModelTester::FailureReportingMode::Fatal);
        FModel->setSourceModel(&FSource);
        FModel->SetGroupColumn(0);
        FModel->SetCaptionColumn(1);
    }
    void cleanup() {
        FTester.reset();
        FModel.reset();
    }

    void groupsInReadingOrderWithRowsInSourceOrder() {
        QCOMPARE(Groups(*FModel), (QStringList{QStringLiteral("收入"), QStringLiteral("支出")}));
        QCOMPARE(Names(*FModel, 0), QStringList{QStringLiteral("工资")});
        QCOMPARE(Names(*FModel, 1), (QStringList{QStringLiteral("午饭"), QStringLiteral("电费")}));
        QVERIFY(FModel->IsGroupRow(FModel->index(0, 0)));
        QVERIFY(!FModel->IsGroupRow(FModel->index(0, 0, FModel->index(0, 0))));
        QCOMPARE(FModel->index(0, 0).data().toString(), QStringLiteral("收入")); // grouping column too
        QCOMPARE(FModel->index(0, 2).data().toString(), QString());
    }

    void mapsBothWays() {
        const QModelIndex lunch = FModel->index(0, 2, FModel->index(1, 0));
        QCOMPARE(FModel->mapToSource(lunch), FSource.index(0, 2));
        QCOMPARE(FModel->mapFromSource(FSource.index(2, 1)), FModel->index(1, 1, FModel->index(1, 0)));
        QVERIFY(!FModel->mapToSource(FModel->index(0, 1)).isValid()); // a group row has no source
        QCOMPARE(FModel->headerData(1, Qt::Horizontal), FSource.headerData(1, Qt::Horizontal));
    }

    void followsTheSourceRows() {
        SetRow(FSource, 3, QStringLiteral("收入"), QStringLiteral("奖金"), 500);
        QCOMPARE(Names(*FModel, 0), (QStringList{QStringLiteral("工资"), QStringLiteral("奖金")}));
        FSource.removeRow(1);
        QCOMPARE(Names(*FModel, 0), QStringList{QStringLiteral("奖金")});
        FSource.removeRow(2); // the last income row: its group goes
        QCOMPARE(Groups(*FModel), QStringList{QStringLiteral("支出")});
        FSource.insertRow(0);
        SetRow(FSource, 0, QString(), QStringLiteral("未分类"), QVariant());
        QCOMPARE(Groups(*FModel), (QStringList{QString(), QStringLiteral("支出")})); // empty first
    }

    void regroupsWhenTheGroupValueChanges() {
        FSource.item(0, 0)->setData(QStringLiteral("收入"), Qt::UserRole);
        FSource.item(0, 0)->setText(QStringLiteral("收入"));
        QCOMPARE(Names(*FModel, 0), (QStringList{QStringLiteral("午饭"), QStringLiteral("工资")}));
        QCOMPARE(Names(*FModel, 1), QStringList{QStringLiteral("电费")});
    }

    void forwardsOtherChanges() {
        QSignalSpy changed(FModel.get(), &QAbstractItemModel::dataChanged);
        QSignalSpy reset(FModel.get(), &QAbstractItemModel::modelReset);
        FSource.item(2, 1)->setText(QStringLiteral("水电费"));
        QCOMPARE(reset.count(), 0);
        QVERIFY(!changed.isEmpty());
        QCOMPARE(changed.first().at(0).toModelIndex(), FModel->index(1, 1, FModel->index(1, 0)));
        QCOMPARE(Names(*FModel, 1).last(), QStringLiteral("水电费"));
    }

    void groupSums() {
        QCOMPARE(FModel->index(0, 2).data().toString(), QString());
        FModel->SetSummaryColumns({2});
        QCOMPARE(FModel->index(0, 2).data().toString(), QStringLiteral("合计：￥3,000.00"));
        QCOMPARE(FModel->index(1, 2).data().toString(), QStringLiteral("合计：-￥1,234.00"));
        FSource.item(0, 2)->setData(QVariant(), Qt::UserRole); // empty values are skipped
        QCOMPARE(FModel->index(1, 2).data().toString(), QStringLiteral("合计：-￥1,209.00"));
    }

    void groupColour() {
        QVERIFY(!FModel->index(0, 1).data(Qt::BackgroundRole).isValid());
        FModel->SetGroupColor(QColor(0xF0, 0xE3, 0xC6));
        QCOMPARE(FModel->index(0, 1).data(Qt::BackgroundRole).value<QBrush>().color(),
                 QColor(0xF0, 0xE3, 0xC6));
        QVERIFY(!FModel->index(0, 1, FModel->index(0, 0)).data(Qt::BackgroundRole).isValid());
    }

    void sourceReset() {
        FSource.clear();
        QCOMPARE(FModel->rowCount(), 0);
        FSource.setColumnCount(3);
        SetRow(FSource, 0, QStringLiteral("支出"), QStringLiteral("地铁"), -4);
        QCOMPARE(Groups(*FModel), QStringList{QStringLiteral("支出")});
    }
};

QTEST_MAIN(TestGridGroupModel)
#include "tst_gridgroupmodel.moc"
