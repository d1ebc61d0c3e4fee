#include "FormUnderTest.h"
#include "data/ComboPub.h"
#include "forms/Diary.h"
#include "forms/DiaryDatePicker.h"
#include "forms/DiaryQuery.h"
#include "forms/PayQuery.h"
#include "forms/PayoutBase.h"
#include "widgets/grid/DBGrid.h"

#include <QDateEdit>
#include <QLocale>
#include <QTest>

#include <memory>

namespace {

const QDate Day(2026, 12, 9);
const QString DayText = QStringLiteral("2026/12/9");
const QString Member = QStringLiteral("家长"); // the default member

} // namespace

// Every date the working forms show reads as the program writes dates, 2026/12/9, whatever the
// desktop's locale: the pickers of the entry, query and diary forms and the grids' date cells.
class TestFormDates : public QObject, TFormUnderTest<QWidget> {
    Q_OBJECT

    QLocale FDefault;

    template <class T> T* Show(T* form) {
        ShowForm(std::unique_ptr<QWidget>(form));
        return form;
    }

    static void Locales() {
        QTest::addColumn<QLocale>("locale");
        QTest::newRow("English") << QLocale(QLocale::English, QLocale::UnitedStates);
        QTest::newRow("C") << QLocale::c();
        QTest::newRow("German") << QLocale(QLocale::German, QLocale::Germany);
    }

private slots:
    void initTestCase() { FDefault = QLocale(); }

    void init() {
        QFETCH(QLocale, locale);
        QLocale::setDefault(locale);
        OpenLedger();
        ComboPub->CurPersonName = Member;
        ComboPub->CurPersonID = QStringLiteral("1");
        FLedger->AddPayout(1, 7, QStringLiteral("午饭"), 25, {}, Day, Member,
                           QStringLiteral("支出"));
    }

    void cleanup() {
        CloseForm();
        QLocale::setDefault(FDefault);
    }

    void entryForm_data() { Locales(); }
    void entryForm() {
        auto* form = new TfrmPayout;
        form->FItemType = QStringLiteral("支出");
        Show(form);
        QCOMPARE(form->dtpUseDate->date(), Day); // the listed record is current
        QCOMPARE(form->dtpUseDate->text(), DayText);
        QCOMPARE(Cell(form->dbgPayout, 0, QStringLiteral("UseDate")), DayText);
    }

    void queryForm_data() { Locales(); }
    void queryForm() {
        auto* form = Show(new TfrmPayQuery);
        form->dtpBegin->setDate(Day);
        form->dtpEnd->setDate(Day);
        QCOMPARE(form->dtpBegin->text(), DayText);
        QCOMPARE(form->dtpEnd->text(), DayText);
        QCOMPARE(Cell(form->dbgPayout, 0, QStringLiteral("UseDate")), DayText);
    }

    void diary_data() { Locales(); }
    void diary() {
        auto* form = Show(new TfrmDiary);
        form->dtpDiary->setDate(Day);
        QCOMPARE(form->dtpDiary->text(), DayText);
        TfrmDiaryQuery period;
        period.dtpBegin->setDate(Day);
        QCOMPARE(period.dtpBegin->text(), DayText);
    }
};

QTEST_MAIN(TestFormDates)
#include "tst_formdates.moc"
