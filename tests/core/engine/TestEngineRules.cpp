// The engine's decision rules that are easy to get wrong: pulse scaling and the socket bytes.
#include "core/engine/EngineState.h"
#include "core/engine/OperationRunner.h"

#include <QTest>

class TestEngineRules : public QObject
{
    Q_OBJECT
private slots:
    void PulseScaling_data()
    {
        QTest::addColumn<int>("base");
        QTest::addColumn<bool>("scaling");
        QTest::addColumn<int>("ppw");
        QTest::addColumn<int>("expected");
        QTest::newRow("ppw 3") << 10 << true << 3 << 14;
        QTest::newRow("zero scaled") << 0 << true << 3 << 1;
        QTest::newRow("zero unscaled") << 0 << false << 3 << 0;
        QTest::newRow("255 doubled") << 255 << true << 5 << 255;
        QTest::newRow("ppw 2") << 20 << true << 2 << 25;
        QTest::newRow("ppw 4") << 20 << true << 4 << 35;
        QTest::newRow("other ppw") << 20 << true << 7 << 20;
    }
    void PulseScaling()
    {
        QFETCH(int, base);
        QFETCH(bool, scaling);
        QFETCH(int, ppw);
        QFETCH(int, expected);
        QCOMPARE(int(OperationRunner::ScalePulse(base, scaling, ppw)), expected);
    }

    void SocketBytes()
    {
        EngineState s;
        s.EnabledSockets = 0x50; // A and B
        s.EnabledSocketOrdinals = 3;
        s.SelectedSockets = 0x50;
        s.PassingSockets = 0x54;
        s.FailedSocketOrdinals = 4;
        auto b = OperationRunner::ComputeSocketBytes(s);
        QCOMPARE(int(b.mask), 0x50);
        QCOMPARE(int(b.ordinals), 3);
        QCOMPARE(int(b.failed), 4);
        // A supply had to be waited for: socket A alone.
        s.VoltageSeen = true;
        b = OperationRunner::ComputeSocketBytes(s);
        QCOMPARE(int(b.mask), 0x40);
        QCOMPARE(int(b.ordinals), 1);
        QCOMPARE(int(b.failed), 14);
        // Only socket A enabled: the selection is used as it is.
        s.EnabledSockets = 0x40;
        b = OperationRunner::ComputeSocketBytes(s);
        QCOMPARE(int(b.mask), 0x50);
        QCOMPARE(int(b.ordinals), 3);
    }
};

QTEST_GUILESS_MAIN(TestEngineRules)
#include "TestEngineRules.moc"
