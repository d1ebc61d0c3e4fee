#include "widgets/Memo.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

TMemo::TMemo(QWidget* parent) : QPlainTextEdit(parent) {
    setTabChangesFocus(true);
    connect(document(), &QTextDocument::contentsChange, this,
            [this](int position, int, int added) { Limit(position, added); });
}

void TMemo::SetMaxLength(int length) {
    FMaxLength = length;
    FAllowed = length;
}

void TMemo::SetText(const QString& text) {
    FAllowed = FMaxLength > 0 ? qMax(FMaxLength, int(text.size())) : 0;
    FLimiting = true; // code sets it whole
    setPlainText(text);
    FLimiting = false;
}

// Drops what was just typed or pasted beyond the limit, from the end of the insertion.
void TMemo::Limit(int position, int added) {
    if (FLimiting || FAllowed <= 0 || added <= 0) return;
    const int excess = int(toPlainText().size()) - FAllowed;
    if (excess <= 0) return;
    FLimiting = true;
    QTextCursor cursor(document());
    const int end = position + added;
    cursor.setPosition(qMax(position, end - excess));
    cursor.setPosition(end, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
    FLimiting = false;
}
