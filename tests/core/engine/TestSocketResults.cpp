// Socket results, counters and indicators: the rules a production operator reads off the window
// and the history after every run.

#include "ScriptedOperator.h"

#include "core/context/AppContext.h"
#include "core/engine/ElapsedText.h"
#include "core/engine/ProductionCounters.h"
#include "core/engine/SocketPanel.h"
#include "core/engine/TaskResults.h"
#include "core/model/OptionIndex.h"

#include <QLocale>
#include <QTemporaryDir>
#include <QtTest>

namespace {
struct Fixture {
    QTemporaryDir dir;
    ScriptedOperator op;
    AppContext ctx{op, dir.path()};
    EngineState masks;
    SocketPanel panel{ctx, masks};
    TaskResults results{ctx.History(), ctx.Flags(), masks, panel};
    int taskFailedRaised = 0;
    Fixture()
    {
        ctx.History().Initialise();
        results.recordTaskFailed = [this] { ++taskFailedRaised; };
    }
    QStringList Lines() const { return const_cast<AppContext&>(ctx).History().DisplayText(); }
};
} // namespace

class TestSocketResults : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }

    void elapsedText_data()
    {
        QTest::addColumn<qint64>("ms");
        QTest::addColumn<QString>("text");
        QTest::newRow("minutes seconds ms") << qint64(75500) << "1 Min, 15 Sec, 500 ms";
        QTest::newRow("whole minute") << qint64(60000) << "1 Min";
        QTest::newRow("ms only") << qint64(999) << "999 ms";
        QTest::newRow("minute and a second, no stray ms") << qint64(61000) << "1 Min, 1 Sec";
        QTest::newRow("negative is its size") << qint64(-2500) << "2 Sec, 500 ms";
        QTest::newRow("nothing") << qint64(0) << "?";
    }
    void elapsedText()
    {
        QFETCH(qint64, ms);
        QFETCH(QString, text);
        QCOMPARE(FormatElapsed(ms), text);
    }

    void runCountLabelPadsAndWraps()
    {
        ProductionCounters c;
        const QList<QPair<int, QString>> cases{{0, "00000"},     {1, "00001"},      {9999, "09999"},
                                               {99999, "99999"}, {100000, "00001"}, {123456, "00001"}};
        for (const auto& [count, text] : cases) {
            c.runCount = count;
            c.ShowCounters();
            QCOMPARE(c.RunCountText(), text);
        }
        QCOMPARE(c.runCount, 1);
    }

    void failureWording_data()
    {
        QTest::addColumn<int>("format");
        QTest::addColumn<quint32>("location");
        QTest::addColumn<QString>("text");
        QTest::newRow("word address") << 0 << 0x123u << ": ERROR @ 0x000123";
        QTest::newRow("byte address") << 1 << 0x123u << ": ERROR @ 0x000246";
        QTest::newRow("config word 18X") << 2 << 1u << ": ERROR in Configuration Word #000002";
        QTest::newRow("config word") << 3 << 0u << ": ERROR in Configuration Word #000001";
        QTest::newRow("upper-case hex") << 0 << 0xABCDEFu << ": ERROR @ 0xABCDEF";
    }
    void failureWording()
    {
        QFETCH(int, format);
        QFETCH(quint32, location);
        QFETCH(QString, text);
        QCOMPARE(TaskResults::FailureText(format, location), text);
    }

    // Lamp, switch and flashing through a run: lit and locked while running, a failed socket
    // flashes between the error pictures with switch "X" until the switch clears it.
    void indicatorStateMachine()
    {
        using P = SocketIndicator::Picture;
        SocketIndicator led;
        QCOMPARE(led.Lamp(), P::NotInUse);
        QCOMPARE(QString(led.SwitchCaption()), "O");
        led.Setison(true); // out of use: no effect
        QVERIFY(!led.ison());
        led.switchClick();
        QVERIFY(led.douse());
        QCOMPARE(QString(led.SwitchCaption()), "I");
        QCOMPARE(led.Lamp(), P::Off);
        led.Setison(true);
        QCOMPARE(led.Lamp(), P::On);
        QVERIFY(!led.enabled());
        led.Seterror(true);
        QCOMPARE(QString(led.SwitchCaption()), "X");
        QVERIFY(led.active());
        QVERIFY(led.FlashTimerRunning());
        QVERIFY(led.enabled());
        led.FlashtimerTimer();
        const P first = led.Lamp();
        led.FlashtimerTimer();
        const P second = led.Lamp();
        QVERIFY(first != second);
        QVERIFY((first == P::Error && second == P::ErrorOff) || (first == P::ErrorOff && second == P::Error));
        led.switchClick(); // "X" clears the error, the socket stays in use
        QVERIFY(!led.error());
        QVERIFY(!led.active());
        QVERIFY(!led.FlashTimerRunning());
        QCOMPARE(QString(led.SwitchCaption()), "I");
        QCOMPARE(led.Lamp(), P::Off);
        led.switchClick();
        QVERIFY(!led.douse());
        QCOMPARE(led.Lamp(), P::NotInUse);
    }

    // A cycle on four sockets where C fails: its line carries the location at once; the end
    // report names it without a location and sets it flashing; counts follow.
    void cycleReportThenEndReport()
    {
        Fixture f;
        f.panel.SetSockets(0, 3, true);
        QCOMPARE(f.masks.EnabledSockets, quint8(0x55));
        f.results.PrepareSocketsForRun();
        QCOMPARE(f.masks.GoodCount, 4);
        f.masks.CycleRunning = true;
        f.masks.ShowFailAddress = false;
        f.masks.LastStatusReply = {0, 0, 0, 0, 0, 0, 0x34, 0x12, 0, 0, 0, 0, 0x51, 0};
        f.masks.PassingSockets = 0x51;
        f.ctx.History().AddLine(QStringLiteral(" Program Code Memory:"), HistoryStyle::Success);
        f.results.ReportResults();
        QStringList lines = f.Lines();
        QVERIFY2(lines.contains(QStringLiteral(" Program Code Memory:").leftJustified(34) + "Failed"),
                 qPrintable(lines.join('\n')));
        QVERIFY(lines.contains("   Device A: OK"));
        QVERIFY(lines.contains("   Device C: ERROR @ 0x001234"));
        QCOMPARE(f.masks.SelectedSockets, quint8(0x51));
        QCOMPARE(f.masks.FailedSocketOrdinals, quint8(4));
        QCOMPARE(f.masks.GoodCount, 3);
        QCOMPARE(f.masks.FailedCount, 1);
        QCOMPARE(f.taskFailedRaised, 1);
        QVERIFY(f.panel.Indicator(0).ison());

        // End of the cycle: every enabled socket is reported again, outside the cycle.
        f.masks.CycleRunning = false;
        f.masks.SelectedSockets = f.masks.EnabledSockets;
        f.results.ReportResults();
        lines = f.Lines();
        QCOMPARE(lines.last(), "   Device D: OK");
        QVERIFY(lines.contains("   Device C: ERROR"));
        QVERIFY(f.panel.Indicator(2).error());
        QVERIFY(f.panel.Indicator(2).FlashTimerRunning());
        QVERIFY(!f.panel.Indicator(0).ison());
        QVERIFY(!f.panel.Indicator(1).error());
    }

    void stopMarksEveryPassingSocketFailed()
    {
        Fixture f;
        f.results.PrepareSocketsForRun();
        f.masks.CycleRunning = true;
        f.ctx.Flags().StopRequested = true;
        f.ctx.History().AddLine(QStringLiteral(" Program Code Memory:"));
        f.results.ReportResults();
        QVERIFY(f.Lines().contains(QStringLiteral(" Program Code Memory:").leftJustified(34) + "Failed "));
        QCOMPARE(f.masks.PassingSockets, quint8(0));
        QVERIFY(f.Lines().contains("   Device A: ERROR @ 0x000000"));
    }

    // The operator switches sockets: enabled masks, workstation settings and the Read socket
    // menu follow; the self-powered target falls back to socket A with its notice.
    void switchingSockets()
    {
        Fixture f;
        f.panel.SocketSwitchClick(2);
        QCOMPARE(f.masks.EnabledSockets, quint8(0x44));
        QCOMPARE(f.masks.EnabledSocketOrdinals, quint8(5));
        QVERIFY(f.ctx.Workstation().SocketInUse(2));
        QVERIFY(f.panel.ReadItemVisible(2) && !f.panel.ReadItemVisible(1));
        QVERIFY(f.panel.GangChecked());
        QCOMPARE(f.panel.ReadDefault(), 0);
        f.panel.SocketSwitchClick(0); // the default goes: the first remaining socket takes it
        QCOMPARE(f.panel.ReadDefault(), 2);
        QCOMPARE(f.masks.EnabledSockets, quint8(0x04));

        f.ctx.Options().SetPresent(OptionIndex::NoVdd, true);
        f.ctx.Options().SetValue(OptionIndex::NoVdd, true);
        f.panel.SocketSwitchClick(1);
        QCOMPARE(f.masks.EnabledSockets, quint8(0x40));
        QCOMPARE(f.op.boxes.size(), 1);
        QCOMPARE(f.op.boxes.first().caption, "Socket Selection Notice");
        QVERIFY(!f.panel.GangChecked());
        QVERIFY(!f.ctx.Workstation().SocketInUse(1) && !f.ctx.Workstation().SocketInUse(2));
        f.panel.ForceSingleSocket(); // socket A alone already: no notice
        QCOMPARE(f.op.boxes.size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestSocketResults)
#include "TestSocketResults.moc"
