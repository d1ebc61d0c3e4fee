#pragma once

#include "platform/MessagePresenter.h"

#include <QList>
#include <QString>

// Records every message box instead of showing it, and answers confirmations as the test says.
// Installs itself for its lifetime.
class TScriptedPresenter final : public TMessagePresenter {
public:
    struct TBox {
        TMessageKind Kind;
        QString Text;
    };

    TScriptedPresenter() { SetMessagePresenter(this); }
    ~TScriptedPresenter() override { SetMessagePresenter(nullptr); }

    bool Show(TMessageKind kind, const QString& text) override {
        Boxes.append({kind, text});
        return kind == TMessageKind::Confirm
                   ? ConfirmAnswers.isEmpty() ? DefaultAnswer : ConfirmAnswers.takeFirst()
                   : true;
    }

    QStringList Texts() const {
        QStringList texts;
        for (const auto& box : Boxes)
            texts << box.Text;
        return texts;
    }
    QString LastText() const { return Boxes.isEmpty() ? QString() : Boxes.last().Text; }

    QList<TBox> Boxes;
    QList<bool> ConfirmAnswers; // answers to the next confirmations, in order
    bool DefaultAnswer = true;  // when ConfirmAnswers has run out
};
