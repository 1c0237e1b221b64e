#include "core/util/HexText.h"

#include <QtTest>

class TestHexText : public QObject
{
    Q_OBJECT
private slots:
    void Parse_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<quint64>("value");
        QTest::addColumn<bool>("error");
        QTest::newRow("upper") << "3FFB" << quint64(0x3FFB) << false;
        QTest::newRow("lower") << "3ffb" << quint64(0x3FFB) << false;
        QTest::newRow("empty reads as F") << "" << quint64(0xF) << false;
        QTest::newRow("bad char counts as 0") << "1G" << quint64(0x10) << true;
        QTest::newRow("prefix is not understood") << "0x12" << quint64(0x012) << true;
        QTest::newRow("64 bits") << "FFFFFFFFFFFFFFFF" << ~quint64(0) << false;
        QTest::newRow("beyond 64 bits keeps the low digits") << "1FFFFFFFFFFFFFFFF" << ~quint64(0) << false;
    }
    void Parse()
    {
        QFETCH(QString, text);
        QFETCH(quint64, value);
        QFETCH(bool, error);
        bool bad = !error;
        QCOMPARE(ParseHexText(text, &bad), value);
        QCOMPARE(bad, error);
    }

    void Split()
    {
        QString text = QStringLiteral("16F877A=877A=x");
        QCOMPARE(SplitAtSeparator(text, u'='), QStringLiteral("16F877A"));
        QCOMPARE(text, QStringLiteral("877A=x"));
        QCOMPARE(SplitAtSeparator(text, u'='), QStringLiteral("877A"));
        QCOMPARE(text, QStringLiteral("x"));
        QString none = QStringLiteral("abc");
        QCOMPARE(SplitAtSeparator(none, u'='), QStringLiteral("abc"));
        QVERIFY(none.isEmpty());
    }

    void Word()
    {
        QCOMPARE(HexWord(0x2007, 4), QStringLiteral("2007"));
        QCOMPARE(HexWord(0xab, 4), QStringLiteral("00AB"));
        QCOMPARE(HexWord(0x12345, 4), QStringLiteral("12345"));
    }
};

QTEST_GUILESS_MAIN(TestHexText)
#include "TestHexText.moc"
