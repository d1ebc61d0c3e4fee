#include "platform/MessagePresenter.h"

#include <QApplication>
#include <QMessageBox>

namespace {

// Real boxes on the application's active window.
class TDialogPresenter final : public TMessagePresenter {
public:
    bool Show(TMessageKind kind, const QString& text) override {
        QMessageBox box(QApplication::activeWindow());
        box.setWindowTitle(MessageCaption);
        box.setText(text);
        box.setIcon(kind == TMessageKind::Error ? QMessageBox::Critical : QMessageBox::Warning);
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
