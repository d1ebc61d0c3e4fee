#pragma once

#include "forms/base/FormBase.h"

#include <QDate>
#include <QRect>
#include <QPointer>
#include <memory>

class QLabel;
class QPlainTextEdit;
class QToolButton;
class TDiaryDatePicker;
class TPanel;
class TQuery;

// The finance diary: the current member's entry of one chosen day, one entry per member and
// day, and a read-only summary of the entries of a period. The form frees itself when it closes.
class TfrmDiary : public TfrmBase {
    Q_OBJECT

public:
    explicit TfrmDiary(QWidget* parent = nullptr);
    ~TfrmDiary() override;

    TPanel* pnlDiary;
    QLabel* pnlDiaryCaption; // the panel's caption, left-justified; empty in the day view
    QLabel* lblDiary;        // "请输入                 日的日记"
    TDiaryDatePicker* dtpDiary;
    QPlainTextEdit* mmDiary;
    QToolButton* sbAppend;     // "  确定"
    QToolButton* SpeedButton1; // "  取消"
    QToolButton* SpeedButton4; // "  查询"
    QToolButton* sbDel;        // "  删除"
    QToolButton* SpeedButton3; // "  退出"
    std::unique_ptr<TQuery> qryDiary;

    // While false, the scroll reaction leaves the memo alone.
    bool FFillEnabled = true;

    void qryDiaryAfterScroll();
    void dtpDiaryCloseUp();
    void dtpDiaryEditingFinished();
    void sbAppendClick();
    void SpeedButton1Click();
    void sbDelClick();
    void SpeedButton4Click();

    // A member's entry of the day before the moment's time of day, and the entries of a period.
    static QString DayStatement(const QDateTime& moment, const QString& personId);
    static QString PeriodStatement(const QDateTime& begin, const QDateTime& end,
                                   const QString& personId);
    void SpeedButton3Click();

    // The day whose entry qryDiary holds.
    QDate LoadedDay() const { return FLoadedDay; }
    // Where the label leaves room for the picker, in the panel's coordinates.
    QRect DiaryGap() const { return FDiaryGap; }

protected:
    void FormShow() override;
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void BuildLayout();
    // Opens qryDiary on the entry of the picker's day; the memo is left alone.
    void FindDay();
    // Loads the picker's day: finds its entry, fills the memo and puts the focus there.
    void LoadDay();
    void SetDayView(bool dayView);

    QDate FLoadedDay;
    QRect FDiaryGap;
};

extern QPointer<TfrmDiary> frmDiary;
