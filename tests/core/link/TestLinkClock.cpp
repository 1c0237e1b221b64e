// The stepped clock the link and engine tests run on: timers fire in deadline order at their own
// times, a timer's fire may wait and start timers itself, and waits end at their deadline or as
// soon as their condition holds.

#include "core/link/LinkClock.h"

#include <QTest>
#include <QTimer>

class TestLinkClock : public QObject
{
    Q_OBJECT

private slots:
    void timersFireInOrderAtTheirTimes()
    {
        SteppedLinkClock clock;
        QList<QPair<int, qint64>> fired;
        const auto at = [&](int tag) { return [&, tag] { fired.append({tag, clock.NowMs()}); }; };
        clock.StartTimer(300, at(3));
        clock.StartTimer(100, at(1));
        const int stopped = clock.StartTimer(200, at(2));
        clock.StartTimer(400, [&] {
            fired.append({4, clock.NowMs()});
            // A fire that waits: the timer it starts fires inside the wait, at its own time.
            clock.StartTimer(50, at(5));
            QVERIFY(!clock.WaitFor([] { return false; }, 100));
            fired.append({6, clock.NowMs()});
        });
        clock.StopTimer(stopped);
        QVERIFY(!clock.WaitFor([] { return false; }, 1000));
        QCOMPARE(clock.NowMs(), qint64(1000));
        const QList<QPair<int, qint64>> expected{{1, 100}, {3, 300}, {4, 400}, {5, 450}, {6, 500}};
        QCOMPARE(fired, expected);
    }

    void waitsEndWhenTheirConditionHolds()
    {
        SteppedLinkClock clock;
        bool flag = false;
        clock.StartTimer(250, [&] { flag = true; });
        QVERIFY(clock.WaitFor([&] { return flag; }, 2500));
        QCOMPARE(clock.NowMs(), qint64(250));
        // An event queued by the program counts as work: no time passes for it.
        bool queued = false;
        QTimer::singleShot(0, [&] { queued = true; });
        QVERIFY(clock.WaitFor([&] { return queued; }, 2500));
        QCOMPARE(clock.NowMs(), qint64(250));
        // Bytes on the line take their time: 576 bytes at 57600 baud are 100 ms.
        clock.BytesSent(576, 57600);
        QCOMPARE(clock.NowMs(), qint64(350));
        // A polling loop with nothing to do still lets time pass.
        for (int i = 0; i < 10; ++i)
            clock.ProcessEvents();
        QCOMPARE(clock.NowMs(), qint64(360));
    }
};

QTEST_GUILESS_MAIN(TestLinkClock)
#include "TestLinkClock.moc"
