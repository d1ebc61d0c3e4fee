#pragma once

#include <QDialog>

// The base of every working form and dialog: Enter and the arrow keys move the focus from field
// to field, F1 opens the help file, and a show hook that derived forms extend.
//
// Forms are dialogs so that the same class can be embedded in the host panel or shown modally.
class TfrmBase : public QDialog {
    Q_OBJECT

public:
    explicit TfrmBase(QWidget* parent = nullptr);

    // The help file in the program's folder.
    static QString HelpFilePath();
    // Opens the help file, or says that it is missing (F1).
    static void ShowHelp();

protected:
    // Runs each time the form is shown. A derived form's own show handling calls this first.
    virtual void FormShow();
    // Sees every key before the focused control does; the key still reaches the control.
    virtual void FormKeyDown(int key, Qt::KeyboardModifiers shift);

    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void childEvent(QChildEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void WatchKeys(QObject* object);
    bool IsOwnControl(const QWidget* control) const;
    static bool PressesFocusedButton(QWidget* control, const QKeyEvent& key);
    bool MovesFocusOnEnter(const QWidget* control) const;
    void MoveFocus(QWidget* from, bool forward);
};
