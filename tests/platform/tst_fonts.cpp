#include "platform/Fonts.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <QtTest>

class TestFonts : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { InstallFontSubstitutions(); }

    void aSongFamilyIsInstalled() { QVERIFY(!InstalledSongFamily().isEmpty()); }

    void songFontResolvesToAnInstalledCjkFamily() {
        const QFontInfo info(SongFont());
        QVERIFY2(SongFamilyCandidates().contains(info.family(), Qt::CaseInsensitive),
                 qPrintable(info.family()));
        QCOMPARE(info.family(), InstalledSongFamily());
    }

    void simSunResolvesLikeSongTi() {
        QFont simsun(QStringLiteral("SimSun"));
        simsun.setPixelSize(12);
        QCOMPARE(QFontInfo(simsun).family(), QFontInfo(SongFont()).family());
    }

    void songFontHasTheRequestedPixelSize() {
        QCOMPARE(SongFont().pixelSize(), 12);
        QCOMPARE(SongFont(16).pixelSize(), 16);
        QCOMPARE(QFontInfo(SongFont(16)).pixelSize(), 16);
    }

    void chineseTextHasWidth() {
        const QFontMetrics metrics(SongFont());
        QVERIFY(metrics.horizontalAdvance(QStringLiteral("家庭理财账本")) > 0);
        QVERIFY(metrics.inFont(QChar(0x5BB6))); // 家
    }

    void substitutionIsIdempotent() {
        InstallFontSubstitutions();
        InstallFontSubstitutions();
        const QStringList substitutes = QFont::substitutes(QStringLiteral("宋体"));
        QVERIFY(!substitutes.isEmpty());
        QCOMPARE(substitutes.first().toLower(), InstalledSongFamily().toLower());
        QCOMPARE(substitutes.count(substitutes.first()), 1);
    }
};

QTEST_MAIN(TestFonts)
#include "tst_fonts.moc"
