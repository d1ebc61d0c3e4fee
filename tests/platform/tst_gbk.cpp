#include "platform/GbkCodec.h"

#include <QTest>

class TestGbk : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void validTextKeepsItsGbkBytes_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("empty") << QString() << QByteArray();
        QTest::newRow("ascii") << QStringLiteral("admin") << QByteArray("admin");
        QTest::newRow("section") << QStringLiteral("[系统]") << QByteArray("[\xCF\xB5\xCD\xB3]");
        QTest::newRow("key") << QStringLiteral("默认帐户")
                             << QByteArray("\xC4\xAC\xC8\xCF\xD5\xCA\xBB\xA7");
        QTest::newRow("mixed") << QStringLiteral("a密b")
                               << QByteArray("a\xC3\xDC"
                                             "b");
    }
    void validTextKeepsItsGbkBytes() {
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        QCOMPARE(Gbk::FromUnicode(text), bytes);
        QCOMPARE(Gbk::ToUnicode(bytes), text);
    }

    // Any byte string survives a trip through text: lone lead bytes, shifted halves of Chinese
    // characters, a lead byte at the very end, control bytes.
    void anyBytesSurviveTheRoundTrip_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("lone lead byte") << QByteArray("\x81");
        QTest::newRow("lead at end") << QByteArray("ab\xC3");
        QTest::newRow("bad trail") << QByteArray("\xC3\x7F"
                                                 "x");
        QTest::newRow("0x80 and 0xFF") << QByteArray("\x80\xFF");
        QTest::newRow("shifted password") << QByteArray("\xDA\xC1\xDB\xC2");
        QTest::newRow("controls") << QByteArray("\x01\x1E\x1F", 3);
        QByteArray all;
        for (int b = 1; b < 256; ++b)
            all += char(b);
        QTest::newRow("every byte") << all;
    }
    void anyBytesSurviveTheRoundTrip() {
        QFETCH(QByteArray, bytes);
        QVERIFY(Gbk::CanEncode(Gbk::ToUnicode(bytes)));
        QCOMPARE(Gbk::FromUnicode(Gbk::ToUnicode(bytes)), bytes);
        // and through UTF-8, as the database stores text
        QCOMPARE(Gbk::FromUnicode(QString::fromUtf8(Gbk::ToUnicode(bytes).toUtf8())), bytes);
    }

    void canEncode_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("encodes");
        QTest::newRow("empty") << QString() << true;
        QTest::newRow("ascii") << QStringLiteral("admin") << true;
        QTest::newRow("chinese") << QStringLiteral("家庭理财") << true;
        QTest::newRow("euro sign") << QStringLiteral("€") << true;
        QTest::newRow("raw byte") << QString(QChar(0xF7C1)) << true;
        QTest::newRow("emoji") << QString::fromUtf8("a😀") << false;
        QTest::newRow("emoji after a raw byte") << QString(QChar(0xF7C1)) + QString::fromUtf8("😀")
                                                << false;
        QTest::newRow("Korean") << QString::fromUtf8("비밀번호") << false;
        QTest::newRow("lone surrogate") << QString(QChar(0xDC00)) << false;
    }
    void canEncode() {
        QFETCH(QString, text);
        QFETCH(bool, encodes);
        QCOMPARE(Gbk::CanEncode(text), encodes);
    }
};

QTEST_GUILESS_MAIN(TestGbk)
#include "tst_gbk.moc"
