#include "platform/MessagePresenter.h"

#include <QApplication>
#include <QDebug>
#include <QMessageBox>

namespace {

// Real boxes on the application's active window. Without a widget application (before it is
// made, or once it is gone, as in a destructor at the very end of the run) no box can be shown:
// the text goes to standard error, and a question is answered with Cancel.
class TDialogPresenter final : public TMessagePresenter {
public:
    bool Show(TMessageKind kind, const QString& text) override {
        if (!qobject_cast<QApplication*>(QCoreApplication::instance()) ||
            QCoreApplication::closingDown()) {
            qCritical().noquote() << MessageCaption << text;
            return kind != TMessageKind::Confirm;
        }
        QMessageBox box(QApplication::activeWindow());
        box.setWindowTitle(MessageCaption);
        box.setText(text);
        box.setIcon(kind == TMessageKind::Error         ? QMessageBox::Critical
                    : kind == TMessageKind::Information ? QMessageBox::Information
                                                        : QMessageBox::Warning);
        if (kind == TMessageKind::Confirm) {
            box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
            box.setEscapeButton(QMessageBox::Cancel);
        } else {
            box.setStandardButtons(QMessageBox::Ok);
        }
        box.setDefaultButton(QMessageBox::Ok);
        return box.exec() == QMessageBox::Ok;
    }
};

TDialogPresenter DialogPresenter;
TMessagePresenter* Current = &DialogPresenter;

} // namespace

TMessagePresenter& MessagePresenter() {
    return *Current;
}

void SetMessagePresenter(TMessagePresenter* presenter) {
    Current = presenter ? presenter : &DialogPresenter;
}
