#pragma once

#include <QDialog>
#include <QPointer>

class QLineEdit;
class TImage;
class TPictureButton;

// The login: a member types an account and a password; a successful login records the member
// for the rest of the run and remembers the account for the next start. Leaving the login in any
// other way ends the program.
class TfrmLogin : public QDialog {
    Q_OBJECT

public:
    explicit TfrmLogin(QWidget* owner = nullptr);

    TImage* Image1;
    TPictureButton* sbOK;
    TPictureButton* sbCancel;
    QLineEdit* edtAccount;
    QLineEdit* edtLogonPassword;

    bool LoginOK() const { return FLoginOK; }

    void sbOKClick();
    void sbCancelClick();

protected:
    void FormCreate();
    void FormShow();
    void FormClose();

    void showEvent(QShowEvent* event) override;
    void done(int result) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void edtAccountKeyDown(int key);
    void edtLogonPasswordKeyDown(int key);

    bool FLoginOK = false;
};

extern QPointer<TfrmLogin> frmLogin;
