#include "platform/ErrorReport.h"
#include "platform/Exception.h"
#include "platform/MessagePresenter.h"

#include <QTest>
#include <stdexcept>

namespace {

// A presenter that fails while showing a box.
class TThrowingPresenter final : public TMessagePresenter {
public:
    int Calls = 0;
    bool Show(TMessageKind, const QString&) override {
        ++Calls;
        throw std::runtime_error("presenter broke");
    }
};

class TRecordingPresenter final : public TMessagePresenter {
public:
    QStringList Texts;
    bool Show(TMessageKind, const QString& text) override {
        Texts << text;
        return true;
    }
};

} // namespace

// The general error report never throws and never ends the program: a box when one can be
// shown, standard error otherwise. Runs without an application object, as destructors at the
// very end of the run do.
class TestErrorReport : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void cleanup() { SetMessagePresenter(nullptr); }

    void guardedHandlerReportsThroughThePresenter() {
        TRecordingPresenter presenter;
        SetMessagePresenter(&presenter);
        Guarded([] { throw Exception(QStringLiteral("保存失败")); })();
        Guarded([](int) { throw 42; })(7);
        QCOMPARE(presenter.Texts, (QStringList{QStringLiteral("保存失败"), QStringLiteral("未知错误")}));
    }

    // When the report itself fails, the wrapper's last resort is qCritical, and the program
    // goes on.
    void failingReportEndsInQCritical() {
        TThrowingPresenter presenter;
        SetMessagePresenter(&presenter);
        QTest::ignoreMessage(QtCriticalMsg, QRegularExpression(QStringLiteral("保存失败.*presenter broke")));
        bool escaped = false;
        try {
            Guarded([] { throw Exception(QStringLiteral("保存失败")); })();
        } catch (...) {
            escaped = true;
        }
        QVERIFY(!escaped);
        QCOMPARE(presenter.Calls, 1);

        QTest::ignoreMessage(QtCriticalMsg, QRegularExpression(QStringLiteral("未知错误")));
        escaped = false;
        try {
            RunGuarded([] { throw 1; });
        } catch (...) {
            escaped = true;
        }
        QVERIFY(!escaped);
    }

    // Without an application no box can be shown: the real presenter writes to standard error
    // (instead of aborting on a widget made without an application), and a question gets Cancel.
    void withoutApplicationTheRealPresenterWritesToStandardError() {
        QVERIFY(!QCoreApplication::instance());
        SetMessagePresenter(nullptr);
        QTest::ignoreMessage(QtCriticalMsg, QRegularExpression(QStringLiteral("系统提示：.*设置文件写入失败")));
        ReportError(Exception(QStringLiteral("设置文件写入失败")));
        QTest::ignoreMessage(QtCriticalMsg, QRegularExpression(QStringLiteral("确定要删除吗")));
        QVERIFY(!MessagePresenter().Show(TMessageKind::Confirm, QStringLiteral("确定要删除吗？")));
    }

    // A destructor that reports while unwinding is safe too.
    void reportFromADestructor() {
        struct TReportsOnDestruction {
            ~TReportsOnDestruction() { ReportError(Exception(QStringLiteral("关闭时出错"))); }
        };
        TThrowingPresenter presenter;
        SetMessagePresenter(&presenter);
        QTest::ignoreMessage(QtCriticalMsg, QRegularExpression(QStringLiteral("关闭时出错")));
        { TReportsOnDestruction object; }
        QCOMPARE(presenter.Calls, 1);
    }
};

QTEST_APPLESS_MAIN(TestErrorReport)
#include "tst_errorreport.moc"
