#pragma once

#include <QPlainTextEdit>

// A multi-line note box with a length limit, like a line edit's: typing or pasting beyond it
// keeps the first characters that fit. Text set by code is never cut: a longer stored note shows
// whole (and the limit then allows its length, so the form's save check tells the user).
class TMemo : public QPlainTextEdit {
    Q_OBJECT

public:
    explicit TMemo(QWidget* parent = nullptr);

    void SetMaxLength(int length); // 0: no limit
    int MaxLength() const { return FMaxLength; }
    // Shows the text whole, whatever its length.
    void SetText(const QString& text);
    QString Text() const { return toPlainText(); }

private:
    void Limit(int position, int added);

    int FMaxLength = 0;
    int FAllowed = 0; // the limit in force: FMaxLength, or a longer text set by code
    bool FLimiting = false;
};
