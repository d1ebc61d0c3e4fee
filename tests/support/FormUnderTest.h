#pragma once

#include "Fixture.h"
#include "Typing.h"

#include "forms/base/FormPanel.h"
#include "widgets/grid/DBGrid.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>
#include <functional>
#include <memory>

// A working form shown on a ledger of the test's own, active as a user finds it, with the
// clicks, typing and choosing its tests drive it by. A test class derives from it and calls
// CloseForm() in its cleanup().
template <class TForm> class TFormUnderTest {
protected:
    std::unique_ptr<TTestLedger> FLedger;
    std::unique_ptr<TForm> FForm;

    // A fresh ledger with that content, for the test to add its rows to before it shows the form.
    TTestLedger& OpenLedger(TTestLedger::TContent content = TTestLedger::WithInitialContent) {
        FForm.reset();
        FLedger = std::make_unique<TTestLedger>(content);
        return *FLedger;
    }
    // The form (by default a new one) shown, active, on the open ledger.
    TForm* ShowForm(std::unique_ptr<TForm> form = nullptr) {
        FForm = form ? std::move(form) : std::make_unique<TForm>();
        FForm->show();
        QApplication::setActiveWindow(FForm.get());
        if (!QTest::qWaitForWindowActive(FForm.get())) qWarning("form not active");
        return FForm.get();
    }
    // A fresh ledger with that content and the rows added, then the form shown on it.
    void OpenForm(TTestLedger::TContent content, const std::function<void(TTestLedger&)>& rows) {
        OpenLedger(content);
        if (rows) rows(*FLedger);
        ShowForm();
    }
    // For a page nested as the main window nests it (TForm being QWidget): a window of the main
    // window's size, shown, filled by the skinned host panel, frmPanel, which is returned.
    TfrmPanel* ShowHostPanel() {
        auto window = std::make_unique<TForm>();
        window->resize(668, 479);
        auto* layout = new QVBoxLayout(window.get());
        layout->setContentsMargins(0, 0, 0, 0);
        frmPanel = new TfrmPanel(window.get());
        layout->addWidget(frmPanel);
        ShowForm(std::move(window));
        return frmPanel;
    }
    void CloseForm() {
        FForm.reset();
        frmPanel = nullptr;
        FLedger.reset();
    }

    static void Click(QAbstractButton* button) { QTest::mouseClick(button, Qt::LeftButton); }
    static void Type(QLineEdit* edit, const QString& text) { TypeInto(edit, text); }
    // Picks the item with that text from the list, as the user does through its drop-down.
    static void Choose(QComboBox* combo, const QString& text) {
        const int index = combo->findText(text);
        QVERIFY2(index >= 0, qPrintable(text));
        combo->setFocus();
        combo->setCurrentIndex(index);
        emit combo->activated(index);
    }
    static void ClickRow(TDBGrid* grid, int row) {
        QTreeView* view = grid->View();
        const QModelIndex index = grid->IndexOfRow(row);
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(index).center());
    }
    // The text a grid shows in a row's cell of that field.
    static QString Cell(TDBGrid* grid, int row, const QString& field) {
        return grid->IndexOfRow(row, field).data().toString();
    }
    // Runs the code once the next modal window is up, then closes that window.
    static void WhenModal(std::function<void(QWidget*)> code) {
        QTimer::singleShot(0, qApp, [code = std::move(code)] {
            QWidget* modal = nullptr;
            QTRY_VERIFY(modal = QApplication::activeModalWidget());
            code(modal);
            modal->close();
        });
    }

    // The print preview a button opens: its pages and their orientation (no pages when the
    // button opened none); the preview is closed again.
    struct TPreviewSeen {
        int Pages = 0;
        QPageLayout::Orientation Orientation = QPageLayout::Portrait;
    };
    static TPreviewSeen PreviewOf(QAbstractButton* button) {
        TPreviewSeen seen;
        WhenModal([&seen](QWidget* modal) {
            QVERIFY(qobject_cast<QPrintPreviewDialog*>(modal));
            auto* preview = modal->findChild<QPrintPreviewWidget*>();
            QVERIFY(preview);
            QTRY_VERIFY(preview->pageCount() > 0);
            seen = {preview->pageCount(), preview->orientation()};
        });
        Click(button);
        return seen;
    }

    QVariant Value(const QString& sql, const QVariantList& values = {}) {
        return FLedger->Scalar(sql, values);
    }
    QString LastMessage() const { return FLedger->Messages.LastText(); }
};
