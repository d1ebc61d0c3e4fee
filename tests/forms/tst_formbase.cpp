#include "FormUnderTest.h"
#include "Resources.h"
#include "forms/base/FormBase.h"
#include "platform/DocumentOpener.h"
#include "platform/Fonts.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTextEdit>
#include <QVBoxLayout>

#include <memory>

namespace {

const QString NoHelpFile = QStringLiteral("帮助文件不存在，请检查！");

// A working form with one control of each kind, in this tab order:
// edtName, edtAmount, mmMemos, cbKind, cbEditable, dtpDate, cbChecked, edtLast, sbSave.
class TfrmSample : public TfrmBase {
public:
    explicit TfrmSample(QWidget* parent = nullptr) : TfrmBase(parent) {
        setObjectName(QStringLiteral("frmSample"));
        auto* layout = new QVBoxLayout(this);
        auto add = [&](QWidget* control, const char* name) {
            control->setObjectName(QString::fromLatin1(name));
            layout->addWidget(control);
            return control;
        };
        add(new QLineEdit(this), "edtName");
        add(new QLineEdit(this), "edtAmount");
        add(new QTextEdit(this), "mmMemos");
        auto* kind = new QComboBox(this);
        kind->addItems({QStringLiteral("收入"), QStringLiteral("支出")});
        add(kind, "cbKind");
        auto* editable = new QComboBox(this);
        editable->setEditable(true);
        editable->addItems({QStringLiteral("甲"), QStringLiteral("乙")});
        add(editable, "cbEditable");
        add(new QDateEdit(QDate(2026, 12, 7), this), "dtpDate");
        add(new QCheckBox(QStringLiteral("已核对"), this), "cbChecked");
        add(new QLineEdit(this), "edtLast");
        auto* save = new QPushButton(QStringLiteral("保存"), this);
        add(save, "sbSave");
        connect(save, &QPushButton::clicked, this, [this] { ++SaveClicks; });
    }

    QWidget* Control(const QString& name) const { return findChild<QWidget*>(name); }

    int SaveClicks = 0;
    int Shown = 0;

protected:
    void FormShow() override {
        TfrmBase::FormShow();
        ++Shown;
    }
};

} // namespace

// The form under test is the window shown: the sample form, or a host window with it embedded.
class TestFormBase : public QObject, TFormUnderTest<QWidget> {
    Q_OBJECT

    QPointer<TfrmSample> FSample;
    QStringList FOpened; // what the document opener was asked to open

    // The form on its own as a window, or embedded without a border in a host window the way
    // the main window embeds working forms.
    TfrmSample* Show(bool embedded) {
        if (!embedded) {
            FSample = new TfrmSample;
            ShowForm(std::unique_ptr<QWidget>(FSample.data()));
            return FSample;
        }
        auto host = std::make_unique<QWidget>();
        host->resize(668, 479);
        auto* layout = new QVBoxLayout(host.get());
        auto* before = new QLineEdit(host.get()); // a control of the host, outside the form
        before->setObjectName(QStringLiteral("edtHost"));
        layout->addWidget(before);
        FSample = new TfrmSample(host.get());
        FSample->setWindowFlags(Qt::Widget);
        layout->addWidget(FSample);
        ShowForm(std::move(host));
        FSample->show();
        return FSample;
    }

    // Presses a key where the focus is, as the keyboard would.
    static void Press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QWidget* focused = QApplication::focusWidget();
        QVERIFY(focused);
        QTest::keyClick(focused, Qt::Key(key), modifiers);
    }

    static QString FocusedName(TfrmSample* form) {
        QWidget* focused = QApplication::focusWidget();
        if (!focused) return QStringLiteral("(none)");
        // a drop-down's or date picker's inner line edit stands for its owner
        for (QWidget* w = focused; w && w != form; w = w->parentWidget())
            if (!w->objectName().isEmpty() && w->parentWidget() == form) return w->objectName();
        return focused->objectName();
    }

    void WriteHelpFile() {
        QFile file(FLedger->Folder() + QStringLiteral("/Pennyvale帮助手册.chm"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("ITSF");
    }

private slots:
    void initTestCase() {
        InitPennyvaleResources();
        InstallFontSubstitutions();
    }

    void init() {
        OpenLedger();
        FOpened.clear();
        SetDocumentOpener([this](const QString& path) {
            FOpened << path;
            return true;
        });
    }

    void cleanup() {
        SetDocumentOpener({});
        CloseForm();
    }

    // -- focus movement ------------------------------------------------------------------------

    void focusMovement_data() {
        QTest::addColumn<bool>("embedded");
        QTest::addColumn<QString>("from");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<QString>("to");
        struct Row {
            const char* name;
            const char* from;
            int key;
            int modifiers;
            const char* to;
        };
        const Row rows[] = {
            {"Enter in an edit box", "edtName", Qt::Key_Return, 0, "edtAmount"},
            {"keypad Enter in an edit box", "edtName", Qt::Key_Enter, Qt::KeypadModifier,
             "edtAmount"},
            {"Down in an edit box", "edtName", Qt::Key_Down, 0, "edtAmount"},
            {"Up in an edit box", "edtAmount", Qt::Key_Up, 0, "edtName"},
            {"Shift+Enter in an edit box", "edtName", Qt::Key_Return, Qt::ShiftModifier,
             "edtAmount"},
            {"Enter in an edit box before a memo", "edtAmount", Qt::Key_Return, 0, "mmMemos"},
            {"Down in a memo", "mmMemos", Qt::Key_Down, 0, "mmMemos"},
            {"Up in a memo", "mmMemos", Qt::Key_Up, 0, "mmMemos"},
            {"Enter in a drop-down", "cbKind", Qt::Key_Return, 0, "cbEditable"},
            {"Up in a drop-down", "cbKind", Qt::Key_Up, 0, "mmMemos"},
            {"Enter in an editable drop-down", "cbEditable", Qt::Key_Return, 0, "dtpDate"},
            {"Up in an editable drop-down", "cbEditable", Qt::Key_Up, 0, "cbKind"},
            {"Enter in a date picker", "dtpDate", Qt::Key_Return, 0, "cbChecked"},
            {"Down in a date picker", "dtpDate", Qt::Key_Down, 0, "cbChecked"},
            {"Up in a date picker", "dtpDate", Qt::Key_Up, 0, "cbEditable"},
            {"Enter on a check box", "cbChecked", Qt::Key_Return, 0, "cbChecked"},
            {"Up in the first edit box", "edtName", Qt::Key_Up, 0, "sbSave"},
        };
        for (const bool embedded : {false, true}) {
            for (const Row& row : rows) {
                QTest::addRow("%s, %s", embedded ? "embedded" : "own window", row.name)
                    << embedded << QString::fromLatin1(row.from) << row.key << row.modifiers
                    << QString::fromLatin1(row.to);
            }
        }
    }

    void focusMovement() {
        QFETCH(bool, embedded);
        QFETCH(QString, from);
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(QString, to);
        TfrmSample* form = Show(embedded);
        form->Control(from)->setFocus();
        QCOMPARE(FocusedName(form), from);
        Press(key, Qt::KeyboardModifiers(modifiers));
        QCOMPARE(FocusedName(form), to);
        QVERIFY(FLedger->Messages.Boxes.isEmpty());
    }

    // The key is not consumed: the control still sees it after the focus moved.
    void enterInMemoInsertsLineBreak() {
        TfrmSample* form = Show(true);
        auto* memo = qobject_cast<QTextEdit*>(form->Control(QStringLiteral("mmMemos")));
        memo->setFocus();
        QTest::keyClicks(memo, QStringLiteral("abc"));
        Press(Qt::Key_Return);
        QTest::keyClicks(memo, QStringLiteral("def"));
        QCOMPARE(memo->toPlainText(), QStringLiteral("abc\ndef"));
        QCOMPARE(QApplication::focusWidget(), memo);
    }

    void enterInEditBoxDoesNotPressAButton_data() {
        QTest::addColumn<bool>("embedded");
        QTest::addColumn<bool>("autoDefault");
        QTest::newRow("own window") << false << true;
        QTest::newRow("embedded") << true << true;
        QTest::newRow("own window, no default button") << false << false;
        QTest::newRow("embedded, no default button") << true << false;
    }

    // Enter in a field moves on; it does not press a button of the form behind the user's back.
    // A button the focus is on takes Enter, also one that is never a default button (the
    // forms' button bars).
    void enterInEditBoxDoesNotPressAButton() {
        QFETCH(bool, embedded);
        QFETCH(bool, autoDefault);
        TfrmSample* form = Show(embedded);
        qobject_cast<QPushButton*>(form->Control(QStringLiteral("sbSave")))
            ->setAutoDefault(autoDefault);
        form->Control(QStringLiteral("edtLast"))->setFocus();
        Press(Qt::Key_Return);
        QCOMPARE(FocusedName(form), QStringLiteral("sbSave"));
        QCOMPARE(form->SaveClicks, 0);
        QVERIFY(form->isVisible());
        // On the button itself Enter presses it, once.
        Press(Qt::Key_Return);
        QCOMPARE(form->SaveClicks, 1);
    }

    // Focus never leaves the form for a control of the window around it.
    void focusStaysInTheEmbeddedForm() {
        TfrmSample* form = Show(true);
        form->Control(QStringLiteral("edtName"))->setFocus();
        Press(Qt::Key_Up);
        QVERIFY(form->isAncestorOf(QApplication::focusWidget()));
    }

    // -- help --------------------------------------------------------------------------------

    void help_data() {
        QTest::addColumn<bool>("embedded");
        QTest::addColumn<QString>("control");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<bool>("present");
        for (const bool embedded : {false, true}) {
            const char* where = embedded ? "embedded" : "own window";
            for (const bool present : {true, false}) {
                const char* file = present ? "help file present" : "no help file";
                QTest::addRow("%s, F1, %s", where, file) << embedded << "edtName" << 0 << present;
                QTest::addRow("%s, Ctrl+F1, %s", where, file)
                    << embedded << "edtAmount" << int(Qt::ControlModifier) << present;
                QTest::addRow("%s, Shift+F1, %s", where, file)
                    << embedded << "mmMemos" << int(Qt::ShiftModifier) << present;
                QTest::addRow("%s, F1 on a check box, %s", where, file)
                    << embedded << "cbChecked" << 0 << present;
            }
        }
    }

    void help() {
        QFETCH(bool, embedded);
        QFETCH(QString, control);
        QFETCH(int, modifiers);
        QFETCH(bool, present);
        if (present) WriteHelpFile();
        TfrmSample* form = Show(embedded);
        form->Control(control)->setFocus();
        Press(Qt::Key_F1, Qt::KeyboardModifiers(modifiers));
        if (present) {
            QCOMPARE(FOpened,
                     QStringList{FLedger->Folder() + QStringLiteral("/Pennyvale帮助手册.chm")});
            QVERIFY(FLedger->Messages.Boxes.isEmpty());
        } else {
            QVERIFY(FOpened.isEmpty());
            QCOMPARE(FLedger->Messages.Texts(), QStringList{NoHelpFile});
            QCOMPARE(FLedger->Messages.Boxes.first().Kind, TMessageKind::Warning);
        }
        QCOMPARE(FocusedName(form), control);
    }

    // The opener's answer is not looked at: a file no program can open gives no message.
    void helpOpenerFailureIsSilent() {
        WriteHelpFile();
        SetDocumentOpener([this](const QString& path) {
            FOpened << path;
            return false;
        });
        TfrmSample* form = Show(true);
        form->Control(QStringLiteral("edtName"))->setFocus();
        Press(Qt::Key_F1);
        QCOMPARE(FOpened.size(), 1);
        QVERIFY(FLedger->Messages.Boxes.isEmpty());
    }

    // A dialog the form owns handles its own keys; the form does not react to them as well.
    void keysOfAnOwnedDialogAreItsOwn() {
        TfrmSample* form = Show(true);
        auto* dialog = new TfrmSample(form);
        dialog->show();
        dialog->activateWindow();
        QTRY_COMPARE(QApplication::activeWindow(), dialog);
        dialog->Control(QStringLiteral("edtName"))->setFocus();
        Press(Qt::Key_F1);
        QCOMPARE(FLedger->Messages.Texts(), QStringList{NoHelpFile}); // once, not twice
        Press(Qt::Key_Return);
        QCOMPARE(FocusedName(dialog), QStringLiteral("edtAmount"));
        delete dialog;
    }

    // -- other keys ----------------------------------------------------------------------------

    void escapeDoesNotCloseEmbeddedForm_data() {
        QTest::addColumn<QString>("control");
        QTest::newRow("in an edit box") << "edtName";
        QTest::newRow("on a check box") << "cbChecked";
    }

    void escapeDoesNotCloseEmbeddedForm() {
        QFETCH(QString, control);
        TfrmSample* form = Show(true);
        form->Control(control)->setFocus();
        Press(Qt::Key_Escape);
        QVERIFY(FSample);
        QVERIFY(form->isVisible());
        QCOMPARE(form->result(), int(QDialog::Rejected)); // never ended
        QVERIFY(FLedger->Messages.Boxes.isEmpty());
    }

    void otherKeysReachTheControl() {
        TfrmSample* form = Show(true);
        auto* name = qobject_cast<QLineEdit*>(form->Control(QStringLiteral("edtName")));
        name->setFocus();
        QTest::keyClicks(name, QStringLiteral("rent"));
        Press(Qt::Key_Left);
        Press(Qt::Key_Backspace);
        QCOMPARE(name->text(), QStringLiteral("ret"));
        QCOMPARE(QApplication::focusWidget(), name);
    }

    // Controls added after the form was made take part too.
    void controlAddedLater() {
        TfrmSample* form = Show(true);
        auto* extra = new QLineEdit(form);
        extra->setObjectName(QStringLiteral("edtExtra"));
        form->layout()->addWidget(extra);
        extra->show();
        QWidget::setTabOrder(form->Control(QStringLiteral("sbSave")), extra);
        extra->setFocus();
        Press(Qt::Key_Up);
        QCOMPARE(FocusedName(form), QStringLiteral("sbSave"));
        extra->setFocus();
        Press(Qt::Key_F1);
        QCOMPARE(FLedger->Messages.Texts(), QStringList{NoHelpFile});
    }

    // -- showing -------------------------------------------------------------------------------

    void showHookRunsEachShowing() {
        TfrmSample* form = Show(false);
        QCOMPARE(form->Shown, 1);
        form->hide();
        form->show();
        QCOMPARE(form->Shown, 2);
    }

    void designSizeAndFont() {
        TfrmBase form;
        QCOMPARE(form.size(), QSize(640, 480));
        QCOMPARE(form.font().pixelSize(), 12);
        QCOMPARE(TfrmBase::HelpFilePath(),
                 FLedger->Folder() + QStringLiteral("/Pennyvale帮助手册.chm"));
    }
};

QTEST_MAIN(TestFormBase)
#include "tst_formbase.moc"
