#pragma once

#include "Fixture.h"
#include "Typing.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <functional>
#include <memory>

// A working form shown on a ledger of the test's own, active as a user finds it, with the
// clicks and typing its tests drive it by.
template <class TForm> class TFormUnderTest {
protected:
    std::unique_ptr<TTestLedger> FLedger;
    std::unique_ptr<TForm> FForm;

    // A fresh ledger with that content and the rows added, then the form shown on it.
    void OpenForm(TTestLedger::TContent content, const std::function<void(TTestLedger&)>& rows) {
        FLedger = std::make_unique<TTestLedger>(content);
        if (rows) rows(*FLedger);
        FForm = std::make_unique<TForm>();
        FForm->show();
        QApplication::setActiveWindow(FForm.get());
        QVERIFY(QTest::qWaitForWindowActive(FForm.get()));
    }
    static void Click(QAbstractButton* button) { QTest::mouseClick(button, Qt::LeftButton); }
    static void Type(QLineEdit* edit, const QString& text) { TypeInto(edit, text); }
    QVariant Value(const QString& sql) { return FLedger->Scalar(sql); }
};
