#include "forms/base/FormBase.h"

#include "data/Common.h"
#include "platform/DocumentOpener.h"
#include "platform/ErrorReport.h"
#include "platform/Fonts.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QChildEvent>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

TfrmBase::TfrmBase(QWidget* parent) : QDialog(parent) {
    resize(640, 480);
    setFont(SongFont(12));
    WatchKeys(this);
}

QString TfrmBase::HelpFilePath() {
    return TCommon::GetAppPath() + QStringLiteral("Pennyvale帮助手册.chm");
}

void TfrmBase::FormShow() {
    // Every edit control uses the input method the user has chosen in the system: Qt's controls
    // never name one of their own, so there is nothing to clear here.
}

void TfrmBase::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) RunGuarded([this] { FormShow(); });
}

// Forms are never closed by Escape, as a working form embedded in the main window must not
// vanish; dialogs close through their own buttons. Enter that a field leaves to the form has
// already moved the focus on; it must not also press the dialog's default button (a focused
// button still takes Enter itself).
void TfrmBase::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Escape:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        event->ignore();
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}

// A screen reader names the form by its caption, also where it is embedded without a title bar
// (it would otherwise take the form's first label for its name).
void TfrmBase::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() == QEvent::WindowTitleChange) setAccessibleName(windowTitle());
}

// Key preview: every control of the form reports its keys to the form first.
void TfrmBase::childEvent(QChildEvent* event) {
    QDialog::childEvent(event);
    if (event->added()) WatchKeys(event->child());
}

// The form itself and its controls, whether the form is a window of its own or embedded in the
// host panel; not the controls of a dialog that the form owns, nor those of the window around it.
bool TfrmBase::IsOwnControl(const QWidget* control) const {
    return control == this || isAncestorOf(control);
}

void TfrmBase::WatchKeys(QObject* object) {
    object->installEventFilter(this);
    for (QObject* child : object->children())
        WatchKeys(child);
}

bool TfrmBase::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ChildAdded && watched != this) // controls added later
        WatchKeys(static_cast<QChildEvent*>(event)->child());
    if (event->type() == QEvent::KeyPress && watched->isWidgetType()) {
        auto* widget = static_cast<QWidget*>(watched);
        // A key that a control ignores travels on to its parents; the form sees it once, at the
        // control it was meant for, and only for controls of this form (not of a dialog it owns).
        QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : this;
        if (widget == target && IsOwnControl(widget)) {
            auto* key = static_cast<QKeyEvent*>(event);
            RunGuarded([&] { FormKeyDown(key->key(), key->modifiers()); });
            if (PressesFocusedButton(widget, *key)) return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

// The forms' buttons are no default buttons, so that Enter in a field never presses one; Enter
// on a button that has the focus (reached by Tab) presses it, as Space does. The key that a
// field passes on after moving the focus to a button is not meant for that button.
bool TfrmBase::PressesFocusedButton(QWidget* control, const QKeyEvent& key) {
    auto* button = qobject_cast<QPushButton*>(control);
    if (!button || button->autoDefault() || QApplication::focusWidget() != button) return false;
    if (key.key() != Qt::Key_Return && key.key() != Qt::Key_Enter) return false;
    if ((key.modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier || key.isAutoRepeat())
        return false;
    if (button->isEnabled()) RunGuarded([button] { button->click(); });
    return true;
}

// Edit boxes, drop-downs, radio groups and date pickers move on with Enter and the arrow keys;
// memos and all other controls keep those keys for themselves.
bool TfrmBase::MovesFocusOnEnter(const QWidget* control) const {
    if (!control) return false;
    if (qobject_cast<const QLineEdit*>(control)) {
        // the line edit inside a drop-down or a date picker counts as that control
        return true;
    }
    return qobject_cast<const QComboBox*>(control) || qobject_cast<const QDateTimeEdit*>(control) ||
           qobject_cast<const QRadioButton*>(control);
}

void TfrmBase::MoveFocus(QWidget* from, bool forward) {
    // The focus chain of a drop-down or date picker includes its inner line edit; step over it.
    QWidget* next = from;
    for (int guard = 0; guard < 1000; ++guard) {
        next = forward ? next->nextInFocusChain() : next->previousInFocusChain();
        if (next == from) return;
        if (!IsOwnControl(next)) continue;
        if (next->focusProxy() || !next->isVisibleTo(this) || !next->isEnabled()) continue;
        if (!(next->focusPolicy() & Qt::TabFocus)) continue;
        if (next->parentWidget() && (qobject_cast<QComboBox*>(next->parentWidget()) ||
                                     qobject_cast<QAbstractSpinBox*>(next->parentWidget())))
            continue;
        next->setFocus(forward ? Qt::TabFocusReason : Qt::BacktabFocusReason);
        return;
    }
}

void TfrmBase::FormKeyDown(int key, Qt::KeyboardModifiers) {
    QWidget* focused = QApplication::focusWidget();
    if (focused && !IsOwnControl(focused)) focused = nullptr;
    // A drop-down's or date picker's inner line edit stands for its owner.
    QWidget* control = focused;
    if (control && control->parentWidget() &&
        (qobject_cast<QComboBox*>(control->parentWidget()) ||
         qobject_cast<QAbstractSpinBox*>(control->parentWidget())))
        control = control->parentWidget();

    if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Down) {
        if (MovesFocusOnEnter(control)) MoveFocus(control, true);
    } else if (key == Qt::Key_Up) {
        if (MovesFocusOnEnter(control)) MoveFocus(control, false);
    } else if (key == Qt::Key_F1) {
        ShowHelp();
    }
}

void TfrmBase::ShowHelp() {
    const QString help = HelpFilePath();
    if (QFileInfo::exists(help))
        OpenDocument(help); // what the system's handler then does is its own affair
    else
        TCommon::ShowWarning(QStringLiteral("帮助文件不存在，请检查！"));
}
