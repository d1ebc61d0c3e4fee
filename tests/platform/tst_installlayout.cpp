#include "platform/InstallLayout.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class TestInstallLayout : public QObject {
    Q_OBJECT

private slots:
    // An installation is told from the build tree by share/pennyvale beside the bin folder.
    void dataFolderOf_data() {
        QTest::addColumn<QStringList>("folders"); // made below a fresh temporary folder
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("expected"); // empty: no installation
        QTest::newRow("installed") << QStringList{"usr/bin", "usr/share/pennyvale"} << QStringList{}
                                   << "usr/bin"
                                   << "usr/share/pennyvale";
        QTest::newRow("other prefix")
            << QStringList{"opt/pv/bin", "opt/pv/share/pennyvale/bank"} << QStringList{}
            << "opt/pv/bin"
            << "opt/pv/share/pennyvale";
        QTest::newRow("trailing separator")
            << QStringList{"usr/bin", "usr/share/pennyvale"} << QStringList{} << "usr/bin/"
            << "usr/share/pennyvale";
        QTest::newRow("build tree") << QStringList{"build/bin"} << QStringList{} << "build/bin"
                                    << "";
        QTest::newRow("share without pennyvale")
            << QStringList{"usr/bin", "usr/share/other"} << QStringList{} << "usr/bin" << "";
        QTest::newRow("a file, not a folder")
            << QStringList{"usr/bin", "usr/share"} << QStringList{"usr/share/pennyvale"}
            << "usr/bin"
            << "";
    }
    void dataFolderOf() {
        QFETCH(QStringList, folders);
        QFETCH(QStringList, files);
        QFETCH(QString, program);
        QFETCH(QString, expected);
        QTemporaryDir root;
        QVERIFY(root.isValid());
        const QDir top(root.path());
        for (const QString& folder : folders)
            QVERIFY(top.mkpath(folder));
        for (const QString& file : files) {
            QFile f(top.filePath(file));
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        const QString found = InstallLayout::DataFolderOf(top.filePath(program));
        QCOMPARE(found, expected.isEmpty() ? QString() : top.filePath(expected));
    }

    void noProgramFolderHasNoInstallation() {
        QCOMPARE(InstallLayout::DataFolderOf(QString()), QString());
    }

    // The tests run from the build tree, which is no installation.
    void theBuildTreeIsNotAnInstallation() {
        QVERIFY2(InstallLayout::DataFolder().isEmpty(), qPrintable(InstallLayout::DataFolder()));
        QVERIFY(!InstallLayout::RunsInstalled());
    }
};

QTEST_MAIN(TestInstallLayout)
#include "tst_installlayout.moc"
