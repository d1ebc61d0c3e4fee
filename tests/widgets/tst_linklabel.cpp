#include "widgets/LinkLabel.h"

#include <QAccessible>
#include <QSignalSpy>
#include <QTest>

class TestLinkLabel : public QObject {
    Q_OBJECT

private slots:
    void looksLikeALink() {
        TLinkLabel link(QStringLiteral("理财日志"));
        QCOMPARE(link.text(), QStringLiteral("理财日志"));
        QVERIFY(link.font().underline());
        QCOMPARE(link.cursor().shape(), Qt::PointingHandCursor);
        QCOMPARE(link.focusPolicy(), Qt::StrongFocus);
        QVERIFY(!link.autoFillBackground());
        link.ensurePolished();
        QCOMPARE(link.palette().color(QPalette::WindowText), QColor(0xFF, 0x00, 0x00));
    }

    void clickedByMouse() {
        TLinkLabel link(QStringLiteral("理财计算器"));
        link.resize(100, 20);
        link.show();
        QSignalSpy clicked(&link, &TLinkLabel::clicked);
        QTest::mouseClick(&link, Qt::LeftButton);
        QCOMPARE(clicked.size(), 1);
        QTest::mouseClick(&link, Qt::RightButton);
        QCOMPARE(clicked.size(), 1);
        // Released outside: no click.
        QTest::mousePress(&link, Qt::LeftButton, {}, QPoint(5, 5));
        QTest::mouseRelease(&link, Qt::LeftButton, {}, QPoint(300, 5));
        QCOMPARE(clicked.size(), 1);
    }

    void clickedByKeyboard_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("clicks");
        QTest::newRow("Enter") << int(Qt::Key_Return) << 1;
        QTest::newRow("keypad Enter") << int(Qt::Key_Enter) << 1;
        QTest::newRow("Space") << int(Qt::Key_Space) << 1;
        QTest::newRow("a letter") << int(Qt::Key_A) << 0;
    }

    void clickedByKeyboard() {
        QFETCH(int, key);
        QFETCH(int, clicks);
        TLinkLabel link(QStringLiteral("个人所得税计算"));
        QSignalSpy clicked(&link, &TLinkLabel::clicked);
        QTest::keyClick(&link, Qt::Key(key));
        QCOMPARE(clicked.size(), clicks);
    }

    void announcedAsALink() {
        TLinkLabel link(QStringLiteral("理财日志"));
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(&link);
        QVERIFY(accessible);
        QCOMPARE(accessible->role(), QAccessible::Link);
        QCOMPARE(accessible->text(QAccessible::Name), QStringLiteral("理财日志"));
        QVERIFY(accessible->state().focusable);
        QAccessibleActionInterface* actions = accessible->actionInterface();
        QVERIFY(actions);
        QCOMPARE(actions->actionNames(), QStringList{QAccessibleActionInterface::pressAction()});
        QSignalSpy clicked(&link, &TLinkLabel::clicked);
        actions->doAction(QAccessibleActionInterface::pressAction());
        QCOMPARE(clicked.size(), 1);
        link.setEnabled(false);
        actions->doAction(QAccessibleActionInterface::pressAction());
        QCOMPARE(clicked.size(), 1);
    }
};

QTEST_MAIN(TestLinkLabel)
#include "tst_linklabel.moc"
