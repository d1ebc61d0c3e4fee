#include "platform/Calculator.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Writes a small program (or a plain file) into a folder.
void AddFile(const QString& folder, const QString& name, bool executable = true) {
    QDir().mkpath(folder);
    QFile file(folder + u'/' + name);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("#!/bin/sh\nexit 0\n");
    file.close();
    QFile::Permissions permissions = QFile::ReadOwner | QFile::WriteOwner;
    if (executable) permissions |= QFile::ExeOwner;
    file.setPermissions(permissions);
}

} // namespace

class TestCalculator : public QObject {
    Q_OBJECT

private slots:
    void candidatesInOrder() {
        QCOMPARE(CalculatorCandidates(),
                 QStringList({"gnome-calculator", "kcalc", "galculator", "mate-calc",
                              "qalculate-gtk", "xcalc"}));
    }

    void find_data() {
        QTest::addColumn<QStringList>("files"); // folder/name, "!" before a non-executable one
        QTest::addColumn<QString>("expected");  // folder/name, or "" for none found
        QTest::newRow("the first candidate wins over a later folder's")
            << QStringList{"b/gnome-calculator", "a/xcalc"} << "b/gnome-calculator";
        QTest::newRow("candidate order before folder order")
            << QStringList{"a/xcalc", "b/kcalc"} << "b/kcalc";
        QTest::newRow("the earlier folder for the same program")
            << QStringList{"a/galculator", "b/galculator"} << "a/galculator";
        QTest::newRow("a file that cannot run is passed over")
            << QStringList{"!a/gnome-calculator", "b/mate-calc"} << "b/mate-calc";
        QTest::newRow("other programs do not count") << QStringList{"a/calc", "b/bc"} << "";
        QTest::newRow("nothing there") << QStringList{} << "";
    }

    void find() {
        QFETCH(QStringList, files);
        QFETCH(QString, expected);
        QTemporaryDir root;
        for (QString file : files) {
            const bool executable = !file.startsWith(u'!');
            if (!executable) file.remove(0, 1);
            const int slash = file.indexOf(u'/');
            AddFile(root.filePath(file.left(slash)), file.mid(slash + 1), executable);
        }
        const QString path = root.filePath("a") + QDir::listSeparator() + root.filePath("b");
        const TCalculatorLocation found = FindCalculator(path);
        if (expected.isEmpty()) {
            QVERIFY(!found.Found);
            // The full path of the first program looked for, in the first folder.
            QCOMPARE(found.Path, root.filePath("a/gnome-calculator"));
        } else {
            QVERIFY(found.Found);
            QCOMPARE(found.Path, root.filePath(expected));
        }
    }

    void emptySearchPath() {
        const TCalculatorLocation found = FindCalculator(QString());
        if (!found.Found) QCOMPARE(found.Path, QStringLiteral("/usr/bin/gnome-calculator"));
        else QVERIFY(found.Path.startsWith(QStringLiteral("/usr/bin/")));
    }

    void theEnvironmentsPath() {
        QTemporaryDir root;
        AddFile(root.path(), "xcalc");
        const QByteArray saved = qgetenv("PATH");
        qputenv("PATH", root.path().toLocal8Bit());
        const TCalculatorLocation found = FindCalculator();
        qputenv("PATH", saved);
        QVERIFY(found.Found);
        QCOMPARE(found.Path, root.filePath("xcalc"));
    }

    void startGoesThroughTheStarter() {
        QStringList started;
        SetProgramStarter([&](const QString& program) {
            started << program;
            return false;
        });
        QVERIFY(!StartProgram(QStringLiteral("/nowhere/gnome-calculator")));
        SetProgramStarter({});
        QCOMPARE(started, QStringList{"/nowhere/gnome-calculator"});
    }

    void startingAMissingProgramFails() {
        QVERIFY(!StartProgram(QStringLiteral("/nonexistent/folder/gnome-calculator")));
    }
};

QTEST_GUILESS_MAIN(TestCalculator)
#include "tst_calculator.moc"
