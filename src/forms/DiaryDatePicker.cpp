#include "forms/DiaryDatePicker.h"

#include "platform/DateText.h"

#include <QCalendarWidget>

TDiaryDatePicker::TDiaryDatePicker(QWidget* parent) : QDateEdit(parent) {
    setDisplayFormat(ShortDateFormat());
    setCalendarPopup(true);
    // A typed date becomes the value when it is committed (Enter, or the focus leaving), not
    // with every keystroke.
    setKeyboardTracking(false);
    setDate(QDate::currentDate());
    // The calendar's own handlers set the date and close the popup first; a date chosen there
    // (clicked, or Enter on it) then reports the close-up. Escape or a click outside restores the
    // previous date and reports nothing.
    QCalendarWidget* calendar = calendarWidget();
    connect(calendar, &QCalendarWidget::clicked, this, [this] { emit CloseUp(); });
    connect(calendar, &QCalendarWidget::activated, this, [this] { emit CloseUp(); });
}

QDateTime TDiaryDatePicker::Value() const {
    return QDateTime(date(), FTimeOfDay);
}

void TDiaryDatePicker::SetValue(const QDateTime& value) {
    const QTime time = value.time();
    FTimeOfDay = time.msecsSinceStartOfDay() < 1000 ? QTime(0, 0, 1) : time;
    setDate(value.date());
}
