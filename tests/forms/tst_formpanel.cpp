#include "FormUnderTest.h"
#include "Resources.h"
#include "app/Login.h"
#include "data/ComboPub.h"
#include "forms/Diary.h"
#include "forms/FamilyMember.h"
#include "forms/FinanceAns.h"
#include "forms/ItemType.h"
#include "forms/PayQuery.h"
#include "forms/PayoutBase.h"
#include "forms/Relatively.h"
#include "forms/base/FormBase.h"
#include "forms/base/FormPanel.h"
#include "platform/Fonts.h"
#include "settings/IniSetting.h"
#include "widgets/Image.h"
#include "widgets/Panel.h"

#include <QAccessible>
#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QSettings>
#include <QStandardItemModel>
#include <QStyle>
#include <QTableView>
#include <QTest>
#include <QTreeView>
#include <QVBoxLayout>

#include <functional>
#include <memory>

Q_DECLARE_METATYPE(std::function<TfrmBase*(QWidget*)>)

namespace {

// The face colour as the skin description states it.
QColor SkinFaceColor() {
    QSettings description(QStringLiteral(":/skin/skin.ini"), QSettings::IniFormat);
    return QColor(description.value(QStringLiteral("Colours/ButtonFace")).toString());
}

bool StyledBySheet(const QWidget* widget) {
    return qstrcmp(widget->style()->metaObject()->className(), "QStyleSheetStyle") == 0;
}

TPanel* NewPanel(QWidget* parent, const QString& name, int tag = 0) {
    auto* panel = new TPanel(parent);
    panel->setObjectName(name);
    if (tag) panel->setProperty("tag", tag);
    panel->setMinimumHeight(30);
    if (parent->layout()) parent->layout()->addWidget(panel);
    return panel;
}

QTableView* NewGrid(QWidget* parent, const QString& name, int tag = 0) {
    auto* grid = new QTableView(parent);
    grid->setObjectName(name);
    if (tag) grid->setProperty("tag", tag);
    auto* model = new QStandardItemModel(2, 2, grid);
    model->setHorizontalHeaderLabels({QStringLiteral("项目"), QStringLiteral("金额")});
    grid->setModel(model);
    parent->layout()->addWidget(grid);
    return grid;
}

// A working form with the kinds of control the skin recolours.
class TfrmSkinned : public TfrmBase {
public:
    explicit TfrmSkinned(QWidget* parent = nullptr) : TfrmBase(parent) {
        setObjectName(QStringLiteral("frmSkinned"));
        new QVBoxLayout(this);
        TPanel* top = NewPanel(this, QStringLiteral("pnlTop"));
        auto* inner = new QVBoxLayout(top);
        inner->setContentsMargins(4, 4, 4, 4);
        NewPanel(top, QStringLiteral("pnlInner")); // a panel inside a panel
        NewPanel(this, QStringLiteral("PagePanel"));
        NewPanel(this, QStringLiteral("pagepanel")); // the name must match exactly
        NewPanel(this, QStringLiteral("PagePanel2"));
        NewPanel(this, QStringLiteral("pnlExempt"), 99);
        NewPanel(this, QStringLiteral("pnlTagged"), 98);
        auto* edit = new QLineEdit(this);
        edit->setObjectName(QStringLiteral("edtName"));
        layout()->addWidget(edit);
        NewGrid(this, QStringLiteral("dbgList"));
        NewGrid(this, QStringLiteral("dbgExempt"), 99);
        auto* tree = new QTreeView(this);
        tree->setObjectName(QStringLiteral("tlTree"));
        auto* model = new QStandardItemModel(1, 1, tree);
        tree->setModel(model);
        layout()->addWidget(tree);
    }

    template <class T> T* Control(const QString& name) const { return findChild<T*>(name); }
};

} // namespace

// The form under test is a window that stands in for the main window, with the host panel.
class TestFormPanel : public QObject, TFormUnderTest<QWidget> {
    Q_OBJECT

    TfrmPanel* FPanel = nullptr;

    // The host panel filling a window's working area, shown so that its skin is active.
    TfrmPanel* ShowPanel() { return FPanel = ShowHostPanel(); }

    // A working form embedded in the panel and registered with its skin, as the main window
    // opens one.
    TfrmSkinned* Embed() {
        auto* form = new TfrmSkinned(FPanel);
        form->setWindowFlags(Qt::Widget);
        if (!FPanel->layout()) new QVBoxLayout(FPanel);
        FPanel->layout()->addWidget(form);
        FPanel->sdMain.AddNestedForm(form);
        form->show();
        return form;
    }

    static QColor PixelAt(QWidget* widget, const QPoint& place) {
        return widget->grab().toImage().pixelColor(place);
    }

private slots:
    void initTestCase() {
        InitPennyvaleResources();
        InstallFontSubstitutions();
    }

    void init() { OpenLedger(); }

    void cleanup() {
        CloseForm();
        FPanel = nullptr;
    }

    // Each working form, embedded in the panel as the main window opens it, is announced by its
    // caption rather than by its first label.
    void workingFormsAreNamedByTheirCaption_data() {
        QTest::addColumn<std::function<TfrmBase*(QWidget*)>>("create");
        QTest::addColumn<QString>("caption");
        using Create = std::function<TfrmBase*(QWidget*)>;
        QTest::newRow("members") << Create([](QWidget* p) { return new TfrmFamilyMember(p); })
                                 << QStringLiteral("家庭成员");
        QTest::newRow("categories") << Create([](QWidget* p) { return new TfrmItemType(p); })
                                    << QStringLiteral("收支分类项目");
        QTest::newRow("income") << Create([](QWidget* p) {
            auto* form = new TfrmIncome(p);
            form->FItemType = QStringLiteral("收入");
            return form;
        }) << QStringLiteral("日常收入管理");
        QTest::newRow("expenditure") << Create([](QWidget* p) {
            auto* form = new TfrmPayout(p);
            form->FItemType = QStringLiteral("支出");
            return form;
        }) << QStringLiteral("日常支出管理");
        QTest::newRow("query") << Create([](QWidget* p) { return new TfrmPayQuery(p); })
                               << QStringLiteral("收支查询分析");
        QTest::newRow("chart") << Create([](QWidget* p) { return new TfrmFinanceAns(p); })
                               << QStringLiteral("财务统计分析");
        QTest::newRow("related tools") << Create([](QWidget* p) { return new TfrmRelatively(p); })
                                       << QStringLiteral("家庭理财相关");
        QTest::newRow("diary") << Create([](QWidget* p) { return new TfrmDiary(p); })
                               << QStringLiteral("日志管理");
    }
    void workingFormsAreNamedByTheirCaption() {
        QFETCH(std::function<TfrmBase*(QWidget*)>, create);
        QFETCH(QString, caption);
        ComboPub->CurPersonName = QStringLiteral("家长");
        ComboPub->CurPersonID = QStringLiteral("1");
        ShowPanel();
        TfrmBase* form = create(FPanel);
        form->setWindowFlags(Qt::Widget);
        new QVBoxLayout(FPanel);
        FPanel->layout()->addWidget(form);
        FPanel->sdMain.AddNestedForm(form);
        form->show();
        QCOMPARE(form->accessibleName(), caption);
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(form);
        QVERIFY(accessible);
        QCOMPARE(accessible->text(QAccessible::Name), caption);
    }

    void faceColourComesFromTheSkin() {
        const QColor expected = SkinFaceColor();
        QVERIFY(expected.isValid());
        TfrmPanel panel;
        QCOMPARE(panel.sdMain.FaceColor(), expected);
        QVERIFY(expected != QApplication::palette().color(QPalette::Button));
        QVERIFY(expected != QApplication::palette().color(QPalette::Window));
        QVERIFY(panel.sdMain.Active());
    }

    void panelOwnLook() {
        TfrmPanel* panel = ShowPanel();
        QCOMPARE(panel->objectName(), QStringLiteral("frmPanel"));
        QCOMPARE(panel->palette().color(QPalette::Window), QColor(0x0A, 0x96, 0xDA));
        QVERIFY(!panel->imgMain->Picture().isNull());
        QCOMPARE(panel->imgMain->geometry(), panel->rect());
        QVERIFY(panel->sdMain.Active());
        QCOMPARE(panel->styleSheet(), panel->sdMain.StyleSheet());
        QVERIFY(!panel->styleSheet().isEmpty());
    }

    void panelsTakeTheFaceColour_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("recoloured");
        QTest::newRow("a panel") << "pnlTop" << true;
        QTest::newRow("a panel inside a panel") << "pnlInner" << true;
        QTest::newRow("PagePanel") << "PagePanel" << false;
        QTest::newRow("pagepanel in other case") << "pagepanel" << true;
        QTest::newRow("a name beginning with PagePanel") << "PagePanel2" << true;
        QTest::newRow("tag 99") << "pnlExempt" << false;
        QTest::newRow("another tag") << "pnlTagged" << true;
    }

    void panelsTakeTheFaceColour() {
        QFETCH(QString, name);
        QFETCH(bool, recoloured);
        ShowPanel();
        TfrmSkinned* form = Embed();
        auto* panel = form->Control<TPanel>(name);
        QVERIFY(panel);
        if (recoloured) {
            QCOMPARE(panel->Color(), SkinFaceColor());
            QCOMPARE(PixelAt(panel, QPoint(1, panel->height() - 2)), SkinFaceColor());
        } else {
            QVERIFY(!panel->HasColor());
        }
    }

    void gridHeaderTakesTheFaceColour() {
        ShowPanel();
        TfrmSkinned* form = Embed();
        auto* grid = form->Control<QTableView>(QStringLiteral("dbgList"));
        QCOMPARE(grid->property("groupColor").value<QColor>(), SkinFaceColor());
        QHeaderView* header = grid->horizontalHeader();
        QTRY_VERIFY(header->height() > 4);
        // Sampled near the top of the first section, where the skin's own section gradient
        // would be lighter than the face colour.
        const QColor top = PixelAt(header, QPoint(header->sectionSize(0) / 2, 1));
        const QColor middle =
            PixelAt(header, QPoint(header->sectionSize(0) / 2, header->height() / 2));
        QCOMPARE(top, SkinFaceColor());
        QCOMPARE(middle, SkinFaceColor());
    }

    void treeHeaderTakesTheFaceColour() {
        ShowPanel();
        TfrmSkinned* form = Embed();
        auto* tree = form->Control<QTreeView>(QStringLiteral("tlTree"));
        QVERIFY(tree->header()->styleSheet().contains(SkinFaceColor().name(), Qt::CaseInsensitive));
    }

    void exemptGridIsLeftAlone() {
        ShowPanel();
        TfrmSkinned* form = Embed();
        auto* grid = form->Control<QTableView>(QStringLiteral("dbgExempt"));
        QVERIFY(!grid->property("groupColor").isValid());
        QVERIFY(grid->horizontalHeader()->styleSheet().isEmpty());
        // Its header keeps the skin's own section look, which differs from the face colour.
        QHeaderView* header = grid->horizontalHeader();
        QTRY_VERIFY(header->height() > 4);
        QVERIFY(PixelAt(header, QPoint(header->sectionSize(0) / 2, 1)) != SkinFaceColor());
    }

    // The skin's style sheet reaches a registered form through the host panel.
    void styleSheetReachesRegisteredForms() {
        ShowPanel();
        TfrmSkinned* form = Embed();
        QVERIFY(StyledBySheet(form));
        QVERIFY(StyledBySheet(form->Control<QLineEdit>(QStringLiteral("edtName"))));
        QVERIFY(form->styleSheet().isEmpty()); // inherited, not copied
        // Not the window around the panel.
        QVERIFY(FForm->styleSheet().isEmpty());
        QVERIFY(!StyledBySheet(FForm.get()));
        QVERIFY(qApp->styleSheet().isEmpty());
    }

    // A dialog owned by the panel is a window of its own; registering it gives it the skin.
    void registeredDialog() {
        ShowPanel();
        auto* dialog = new TfrmSkinned(FPanel);
        QVERIFY(dialog->isWindow());
        FPanel->sdMain.AddNestedForm(dialog);
        dialog->show();
        QVERIFY(StyledBySheet(dialog));
        QCOMPARE(dialog->Control<TPanel>(QStringLiteral("pnlTop"))->Color(), SkinFaceColor());
        QVERIFY(!dialog->Control<TPanel>(QStringLiteral("PagePanel"))->HasColor());
        delete dialog;
    }

    // A form that is not registered is not recoloured, even inside the panel.
    void unregisteredFormKeepsItsColours() {
        ShowPanel();
        auto* form = new TfrmSkinned(FPanel);
        form->setWindowFlags(Qt::Widget);
        form->show();
        QVERIFY(!form->Control<TPanel>(QStringLiteral("pnlTop"))->HasColor());
    }

    void loginIsNotSkinned() {
        ShowPanel();
        Embed();
        IniSetting = new TIniSetting(FLedger->Folder() + QStringLiteral("/fClient.ini"));
        {
            TfrmLogin login;
            login.show();
            QVERIFY(login.styleSheet().isEmpty());
            QVERIFY(!StyledBySheet(&login));
        }
        delete IniSetting;
        IniSetting = nullptr;
    }
};

QTEST_MAIN(TestFormPanel)
#include "tst_formpanel.moc"
