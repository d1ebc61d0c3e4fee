#pragma once

#include <QDateEdit>
#include <QDateTime>
#include <QTime>

// The diary's date picker: shows a date only, in the program's short date format, with a
// drop-down calendar, and keeps a time of day in its value. Choosing another date, in the
// calendar or in the field, replaces only the date part.
//
// The kept time is always after midnight: a moment in the first second of a day is kept as one
// second past midnight. The diary's statements look for an entry between the value less one day and the
// value, and entries lie at midnight, so that interval holds exactly the chosen day's midnight
// at any time of day.
class TDiaryDatePicker : public QDateEdit {
    Q_OBJECT

public:
    explicit TDiaryDatePicker(QWidget* parent = nullptr);

    // The chosen date at the kept time of day.
    QDateTime Value() const;
    void SetValue(const QDateTime& value);
    QTime TimeOfDay() const { return FTimeOfDay; }

signals:
    // A date was chosen in the drop-down calendar (by click or Enter), once it has closed.
    void CloseUp();

private:
    QTime FTimeOfDay = QTime(0, 0, 1);
};
