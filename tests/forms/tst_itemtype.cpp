#include "FormUnderTest.h"
#include "Typing.h"
#include "data/ComboPub.h"
#include "data/DataModule.h"
#include "forms/ItemType.h"
#include "widgets/Memo.h"
#include "widgets/grid/DBGrid.h"
#include "widgets/grid/GridGroupModel.h"

#include <QApplication>
#include <QKeyEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include "widgets/Panel.h"
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include <memory>

class TestItemType : public QObject, TFormUnderTest<TfrmItemType> {
    Q_OBJECT

    void Open(TTestLedger::TContent content = TTestLedger::EmptyTables,
              const std::function<void(TTestLedger&)>& rows = {}) {
        OpenForm(content, rows);
    }
    int Rows() { return Value(QStringLiteral("select count(*) from bItemProject")).toInt(); }
    // Clicks the grid on the category with this key.
    void ClickCategory(int id) {
        TQuery& query = FForm->qryItemProject;
        for (int row = 0; row < query.RecordCount(); ++row) {
            if (query.ValueAt(row, query.FieldIndex(QStringLiteral("ItemProjectID"))).toInt() != id)
                continue;
            ClickRow(FForm->dbgItemProject, row);
            return;
        }
        QFAIL("no such category");
    }

private slots:
    void cleanup() { CloseForm(); }

    void layout() {
        Open(TTestLedger::WithInitialContent);
        QCOMPARE(FForm->windowTitle(), QStringLiteral("收支分类项目"));
        QCOMPARE(FForm->Panel3->width(), 202);
        QCOMPARE(FForm->lblItemTypes->text(), QStringLiteral("收支类型细目"));
        QVERIFY(FForm->dbgItemProject->View()->isHeaderHidden());
        QVERIFY(!FForm->dbgItemProject->GridLines());
        QCOMPARE(FForm->rgItemType->title(), QStringLiteral("收支类型"));
        QCOMPARE(FForm->lblItemProject->buddy(), FForm->edtItemProject);
        TGridGroupModel* groups = FForm->dbgItemProject->GroupModel();
        QCOMPARE(groups->GroupCount(), 2);
        QCOMPARE(groups->index(0, 1).data().toString(), QStringLiteral("收入"));
        QVERIFY(FForm->dbgItemProject->View()->isExpanded(groups->index(1, 0)));
        // the first category fills the edit area
        QCOMPARE(FForm->edtItemProject->text(), QStringLiteral("工资"));
        QVERIFY(FForm->rbIncome->isChecked());
    }

    void incomeSelectedWhenCreated() {
        FLedger = std::make_unique<TTestLedger>(TTestLedger::EmptyTables);
        TfrmItemType form;
        QVERIFY(form.rbIncome->isChecked());
    }

    void firstCategoryGetsIdOneTrimmedAndKeepsTheTypedText() {
        Open();
        Click(FForm->sbAppend);
        QCOMPARE(QApplication::focusWidget(), FForm->edtItemProject);
        QVERIFY(!FForm->rbIncome->isChecked() && !FForm->rbExpenditure->isChecked());
        QVERIFY(!FForm->sbAppend->isEnabled() && !FForm->sbDelete->isEnabled());
        QVERIFY(!FForm->dbgItemProject->isEnabled());
        Type(FForm->edtItemProject, QStringLiteral("  餐饮 "));
        Click(FForm->rbExpenditure);
        FForm->mmMemos->SetText(QStringLiteral(" 一日三餐 "));
        Click(FForm->sbSave);
        QVERIFY(FLedger->Messages.Boxes.isEmpty());
        QCOMPARE(Value("select ItemProjectID || ItemProject || ItemType || Memos from bItemProject"),
                 QVariant(QStringLiteral("1餐饮支出一日三餐")));
        QCOMPARE(FForm->edtItemProject->text(), QStringLiteral("  餐饮 ")); // not refilled
        QVERIFY(FForm->sbAppend->isEnabled() && FForm->dbgItemProject->isEnabled());
    }

    void newKeyNeverReattachesOldRecords() {
        Open(TTestLedger::EmptyTables, [](TTestLedger& ledger) {
            ledger.AddCategory(1, QStringLiteral("工资"), QStringLiteral("收入"));
            ledger.AddCategory(2, QStringLiteral("餐饮"), QStringLiteral("支出"));
            // a record of a category deleted long ago
            ledger.AddPayout(1, 5, QStringLiteral("旧账"), 10, QVariant(), QDate(2020, 1, 1),
                             QStringLiteral("家长"), QStringLiteral("支出"));
        });
        ClickCategory(2);
        Click(FForm->sbDelete);
        QCOMPARE(FLedger->Messages.LastText(), QStringLiteral("是否确定删除当前记录？"));
        QCOMPARE(Rows(), 1);
        Click(FForm->sbAppend);
        Type(FForm->edtItemProject, QStringLiteral("交通"));
        Click(FForm->rbExpenditure);
        Click(FForm->sbSave);
        QCOMPARE(Value("select max(ItemProjectID) from bItemProject").toInt(), 6);
        QCOMPARE(Value("select count(*) from bItemProject where ItemProjectID in (2, 5)").toInt(), 0);
    }

    void blankNameRefused() {
        Open(TTestLedger::WithInitialContent);
        const int before = Rows();
        Click(FForm->sbAppend);
        Type(FForm->edtItemProject, QStringLiteral("   "));
        Click(FForm->rbIncome);
        FForm->edtItemProject->setFocus();
        Click(FForm->sbSave);
        QCOMPARE(FLedger->Messages.Texts(), QStringList{QStringLiteral("请输入分类项目名称！")});
        QCOMPARE(FLedger->Messages.Boxes.first().Kind, TMessageKind::Warning);
        QCOMPARE(Rows(), before);
        QCOMPARE(FForm->qryItemProject.State(), TDataSetState::Insert);
    }

    void noTypeAfterAppendRefused() {
        Open(TTestLedger::WithInitialContent);
        const int before = Rows();
        Click(FForm->sbAppend);
        Type(FForm->edtItemProject, QStringLiteral("宠物"));
        Click(FForm->sbSave);
        QCOMPARE(FLedger->Messages.Texts(), QStringList{QStringLiteral("请选择收支类型！")});
        QCOMPARE(Rows(), before);
    }

    void saveOnAnEmptyListAddsACategory() {
        Open();
        Type(FForm->edtItemProject, QStringLiteral("工资"));
        Click(FForm->rbIncome);
        Click(FForm->sbSave);
        QVERIFY(FLedger->Messages.Boxes.isEmpty());
        QCOMPARE(Value("select ItemProjectID || ItemProject || ItemType from bItemProject"),
                 QVariant(QStringLiteral("1工资收入")));
        QCOMPARE(FForm->edtItemProject->text(), QStringLiteral("工资"));
    }

    void saveWithoutAppendOverwritesTheSelected() {
        Open(TTestLedger::WithInitialContent);
        ClickCategory(7);
        QCOMPARE(FForm->edtItemProject->text(), QStringLiteral("餐饮"));
        QVERIFY(FForm->rbExpenditure->isChecked());
        Type(FForm->edtItemProject, QStringLiteral("伙食"));
        Click(FForm->sbSave);
        QCOMPARE(Value("select ItemProject from bItemProject where ItemProjectID = 7"),
                 QVariant(QStringLiteral("伙食")));
    }

    void cancelAfterAppendShowsTheCurrentRow() {
        Open(TTestLedger::WithInitialContent);
        const int before = Rows();
        ClickCategory(8);
        Click(FForm->sbAppend);
        Type(FForm->edtItemProject, QStringLiteral("草稿"));
        Click(FForm->sbCancel);
        QCOMPARE(Rows(), before);
        QCOMPARE(FForm->qryItemProject.State(), TDataSetState::Browse);
        QCOMPARE(FForm->edtItemProject->text(),
                 FForm->qryItemProject.FieldByName(QStringLiteral("ItemProject")).AsString());
        QVERIFY(FForm->rbIncome->isChecked() || FForm->rbExpenditure->isChecked());
        QVERIFY(FForm->dbgItemProject->isEnabled());
    }

    void cancelInBrowseKeepsTheTypedText() {
        Open(TTestLedger::WithInitialContent);
        Type(FForm->edtItemProject, QStringLiteral("改了一半"));
        Click(FForm->sbCancel);
        QCOMPARE(FForm->edtItemProject->text(), QStringLiteral("改了一半"));
    }

    void deleteAsksAndOnEmptyListWarns() {
        Open();
        Click(FForm->sbDelete);
        QCOMPARE(FLedger->Messages.Texts(), QStringList{QStringLiteral("请选择需要删除的记录！")});
        cleanup();
        Open(TTestLedger::WithInitialContent);
        const int before = Rows();
        FLedger->Messages.ConfirmAnswers = {false};
        Click(FForm->sbDelete);
        QCOMPARE(FLedger->Messages.Boxes.last().Kind, TMessageKind::Confirm);
        QCOMPARE(Rows(), before);
        Click(FForm->sbDelete); // confirmed
        QCOMPARE(Rows(), before - 1);
        QCOMPARE(Value("select count(*) from bItemProject where ItemProjectID = 1").toInt(), 0);
        QCOMPARE(FForm->edtItemProject->text(), QStringLiteral("奖金"));
    }

    void expenditureOfferedOnlyToExpenditure() {
        Open();
        Click(FForm->sbAppend);
        Type(FForm->edtItemProject, QStringLiteral("停车费"));
        Click(FForm->rbExpenditure);
        Click(FForm->sbSave);
        QComboBox list;
        QStringList ids;
        for (const QString& type : {QStringLiteral("支出"), QStringLiteral("收入")}) {
            ComboPub->FillCombo(QStringLiteral("select * from bItemProject where ItemType = '%1'").arg(type),
                                *dmMain->qryCommon, QStringLiteral("ItemProject"), &list,
                                QStringLiteral("ItemProjectID"), &ids);
            QCOMPARE(list.count(), type == QStringLiteral("支出") ? 1 : 0);
        }
    }

    void longStoredNameShownWholeAndWarned() {
        const QString name(205, QChar(u'长'));
        Open(TTestLedger::EmptyTables, [&](TTestLedger& ledger) {
            // a name stored before the width was checked
            if (TTestLedger::OnServer()) {
                ledger.Exec(QStringLiteral("alter table bItemProject drop constraint "
                                           "\"项目名称不能超过200个字符\""));
                ledger.AddCategory(1, name, QStringLiteral("支出"));
            } else {
                ledger.Exec(QStringLiteral("pragma ignore_check_constraints = on"));
                ledger.AddCategory(1, name, QStringLiteral("支出"));
                ledger.Exec(QStringLiteral("pragma ignore_check_constraints = off"));
            }
        });
        QCOMPARE(FForm->edtItemProject->text(), name);
        Click(FForm->sbSave);
        QCOMPARE(FLedger->Messages.Texts(), QStringList{QStringLiteral("分类项目名称不能超过200个字符！")});
        QCOMPARE(FForm->edtItemProject->maxLength(), 205);
        cleanup();
        Open();
        QCOMPARE(FForm->edtItemProject->maxLength(), TfrmItemType::NameLength);
        QCOMPARE(FForm->mmMemos->MaxLength(), TfrmItemType::MemosLength);
    }

    void modalWindow() {
        FLedger = std::make_unique<TTestLedger>(TTestLedger::WithInitialContent);
        QWidget owner;
        owner.show();
        bool seen = false;
        QTimer::singleShot(0, [&] {
            auto* form = qobject_cast<TfrmItemType*>(QApplication::activeModalWidget());
            QVERIFY(form);
            seen = true;
            QVERIFY(form->isWindow());
            QCOMPARE(form->size(), QSize(640, 480));
            QCOMPARE(form->windowTitle(), QStringLiteral("收支分类项目"));
            QVERIFY(form->qryItemProject.RecordCount() > 0);
            QTest::mouseClick(form->sbQuit, Qt::LeftButton);
        });
        TfrmItemType::ShowModal(&owner);
        QVERIFY(seen);
        QVERIFY(owner.findChildren<TfrmItemType*>().isEmpty()); // freed on return
    }
};

QTEST_MAIN(TestItemType)
#include "tst_itemtype.moc"
