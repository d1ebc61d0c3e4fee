#pragma once

#include <QApplication>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QTest>

// Types the text key by key into the widget: ASCII with its key codes, other characters as the
// keyboard or an input method's direct keys send them, with no key code of their own.
inline void KeyIn(QWidget* widget, const QString& text) {
    for (const QChar typed : text) {
        if (typed.unicode() < 128) {
            QTest::keyClick(widget, char(typed.unicode()));
        } else {
            QTest::sendKeyEvent(QTest::Press, widget, Qt::Key_unknown, QString(typed),
                                Qt::NoModifier);
            QTest::sendKeyEvent(QTest::Release, widget, Qt::Key_unknown, QString(typed),
                                Qt::NoModifier);
        }
    }
}

// Replaces a box's text as a user would: focus, select all, erase, then the text key by key.
inline void TypeInto(QLineEdit* edit, const QString& text) {
    edit->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Backspace);
    KeyIn(edit, text);
}

// Types the text as a Chinese user does: Latin characters and line breaks from the keyboard,
// the others committed by the input method.
inline void TypeThroughInputMethod(QWidget* widget, const QString& text) {
    for (const QChar c : text) {
        if (c == u'\n') {
            QTest::keyClick(widget, Qt::Key_Return);
        } else if (c.unicode() < 0x80) {
            QTest::keyClicks(widget, QString(c));
        } else {
            QInputMethodEvent commit;
            commit.setCommitString(QString(c));
            QApplication::sendEvent(widget, &commit);
        }
    }
}
