// Supply faults injected into the simulated box, met by a program cycle: each shows its pre-test
// lines, its message on the target monitor, its error bits and its report lines, and the box
// sees both supplies switched off after the fault.
#include "SimEngineRig.h"
#include "core/link/BoxProtocol.h"
#include "core/options/OptionRefresh.h"

#include <QTest>
#include <QTimer>

using namespace BoxProtocol;
using Bit = LinkErrorWord::Bit;

namespace {

// Answers the target monitor as an operator at the bench does: closes it when it shows an error
// (keeping the message), and presses Cancel on a wait that has shown GiveUpAfter readings
// without ending.
struct MonitorOperator {
    static constexpr int GiveUpAfter = 30;

    explicit MonitorOperator(TargetMonitor& monitor) : m(monitor)
    {
        QObject::connect(&m, &TargetMonitor::Changed, &m, [this] {
            if (!m.ErrorLook())
                closing = false;
            if (!m.Visible() || pressing)
                return;
            if (m.ErrorLook()) {
                // One Close per error display.
                if (!closing) {
                    closing = true;
                    errorMessages << m.ActionText();
                    Press();
                }
                return;
            }
            const QString wait = m.RangeText() + m.ActionText();
            readings = wait == waitShown ? readings + 1 : 0;
            waitShown = wait;
            if (readings == GiveUpAfter && present) {
                ++cancels;
                Press();
            }
        });
    }
    void Press()
    {
        pressing = true;
        QTimer::singleShot(0, &m, [this] {
            pressing = false;
            readings = 0;
            m.Cancel();
        });
    }
    TargetMonitor& m;
    QStringList errorMessages;
    QString waitShown;
    int readings = 0;
    int cancels = 0;
    bool pressing = false;
    bool closing = false;
    bool present = true; // nobody presses Cancel on an unattended run
};

// The host's bytes as a list of the command numbers it framed.
QList<int> Commands(const QByteArray& sent)
{
    QList<int> commands;
    for (qsizetype i = 0; i + 2 < sent.size(); ++i)
        if (quint8(sent[i]) == FrameStart && quint8(sent[i + 2]) == FrameEnd)
            commands << quint8(sent[i + 1]);
    return commands;
}

// After the last command that switches a supply on, both VDD off and VPP off were sent.
bool SuppliesSwitchedOffLast(const QByteArray& sent)
{
    const QList<int> c = Commands(sent);
    qsizetype last = -1;
    for (qsizetype i = 0; i < c.size(); ++i)
        if (c[i] == CmdPowerUpVddFirst || c[i] == CmdPowerUpVppFirst || c[i] == CmdOperationPowerOn ||
            c[i] == CmdPrepareVoltageTest)
            last = i;
    const QList<int> after = c.mid(last + 1);
    return last >= 0 && after.contains(CmdVddOff) && after.contains(CmdVppOff);
}

// One injected fault and what the run must show for it.
struct FaultCase {
    BoxFaults faults;
    bool unattended = false;
    quint64 bits = 0;    // the link error word after the report
    QString vdd, vpp;    // the pre-test's logged readings
    bool passed = false; // the pre-test's verdict
    QString message;     // the target monitor's error display, if one was shown
    QStringList report;  // the report's lines
};

// The pre-test's lines as the history shows them.
QStringList PreTestLines(const FaultCase& c)
{
    auto column = [](const char* label, const QString& value) {
        return QString::fromLatin1(label).leftJustified(34, u' ') + value;
    };
    return {QStringLiteral("Voltage Pre-Test:"), column(" VDD Value: ", c.vdd), column(" VPP Value: ", c.vpp),
            column(" Pre-Test:", c.passed ? QStringLiteral("OK") : QStringLiteral("Failed")),
            QStringLiteral(" ---------------------------------------")};
}

// The lines of the error report: those after the cycle's results heading that are not socket
// results.
QStringList ReportLines(const QStringList& history)
{
    const qsizetype results = history.lastIndexOf(QStringLiteral("Auto Program Cycle:  Results: "));
    QStringList lines;
    for (qsizetype i = results + 1; results >= 0 && i < history.size(); ++i)
        if (!history[i].startsWith(QLatin1String("   Device ")))
            lines << history[i];
    return lines;
}

} // namespace

Q_DECLARE_METATYPE(FaultCase)

class TestEngineVoltageFaults : public QObject
{
    Q_OBJECT
private slots:
    void FaultsStopTheRunAndSwitchTheSuppliesOff_data()
    {
        QTest::addColumn<FaultCase>("c");
        const QString abort = QStringLiteral(" User Aborted Task! ");
        const QString taskFailed = QStringLiteral(" Current Programming Task Failed ");
        auto row = [](const char* name, void (*inject)(BoxFaults&), bool unattended, quint64 bits, const char* vdd,
                      const char* vpp, bool passed, const char* message, const QStringList& report) {
            FaultCase c;
            inject(c.faults);
            c.unattended = unattended;
            c.bits = bits;
            c.vdd = QString::fromLatin1(vdd);
            c.vpp = QString::fromLatin1(vpp);
            c.passed = passed;
            c.message = QString::fromLatin1(message);
            c.report = report;
            QTest::newRow(name) << c;
        };
        // Faults the box flags in its status polls stop the power-up at the poll, before a reading
        // is taken into the check.
        row("no fault", [](BoxFaults&) {}, false, 0, "5.00", "13.00", true, "", {});
        row("VDD never rises", [](BoxFaults& f) { f.supplyFaults = SupplyVddNotRising; }, false, Bit::VddNotRising,
            "0.00", "0.00", false, "", {QStringLiteral(" VDD not rising ")});
        row("VDD too low", [](BoxFaults& f) { f.supplyFaults = SupplyVddLow; }, false, Bit::VddTooLow, "0.00", "0.00",
            false, "", {QStringLiteral(" VDD Voltage TOO LOW ")});
        row("VDD too high", [](BoxFaults& f) { f.supplyFaults = SupplyVddHigh; }, false, Bit::VddTooHigh, "0.00",
            "0.00", false, "", {QStringLiteral(" VDD Voltage TOO HIGH ")});
        row("MCLR too low", [](BoxFaults& f) { f.supplyFaults = SupplyVppLow; }, false, Bit::MclrTooLow, "0.00", "0.00",
            false, "", {QStringLiteral(" MCLR Voltage TOO LOW ")});
        row("VPP 14.4 V", [](BoxFaults& f) { f.supplyFaults = SupplyVppHigh; }, false, Bit::MclrTooHigh, "0.00", "0.00",
            false, "", {QStringLiteral(" MCLR Voltage TOO HIGH ")});
        row("VPP not rising", [](BoxFaults& f) { f.supplyFaults = SupplyVppNotRising; }, false, Bit::MclrNotRising,
            "0.00", "0.00", false, "", {QStringLiteral(" MCLR not rising ")});
        // A supply that collapses during the first operation fails it; the report words it so.
        row("VDD drops", [](BoxFaults& f) { f.dropDuringOperation = SupplyVddLow; }, false,
            Bit::VddTooLow | Bit::TaskFailed, "5.00", "13.00", true, "",
            {QStringLiteral(" VDD Voltage Drop during operation "), taskFailed});
        row("MCLR drops", [](BoxFaults& f) { f.dropDuringOperation = SupplyVppLow; }, false,
            Bit::MclrTooLow | Bit::TaskFailed, "5.00", "13.00", true, "",
            {QStringLiteral(" MCLR Voltage Drop during operation "), taskFailed});
        // Idle voltage: the wait for the supply to fall ends by the operator's Cancel (which
        // performs Stop) or, unattended, by the bound.
        row("voltage on VDD", [](BoxFaults& f) { f.vddIdle = 40; }, false,
            Bit::VoltageOnVdd | Bit::UserAbort | Bit::TaskFailed, "2.50", "0.00", false,
            "Inactive VDD Voltage ERROR ...", {abort, QStringLiteral(" Voltage detected on VDD "), taskFailed});
        row("voltage on VDD unattended", [](BoxFaults& f) { f.vddIdle = 40; }, true, Bit::VoltageOnVdd, "2.50", "0.00",
            false, "", {QStringLiteral(" Voltage detected on VDD ")});
        row("MCLR not pulled low", [](BoxFaults& f) { f.vppIdle = 30; }, false,
            Bit::CannotPullMclrLow | Bit::UserAbort | Bit::TaskFailed, "0.00", "1.88", false,
            "Inactive MCLR Voltage ERROR ...", {abort, QStringLiteral(" Can not pull MCLR low "), taskFailed});
        // Levels the box does not flag: the host's own window checks them (the VPP window on the
        // raw reading, though its text is clamped to 13.25).
        row("VDD reads 5.94 V", [](BoxFaults& f) { f.vddLevel = 95; }, false, Bit::VddTooHigh, "5.94", "13.00", false,
            "VDD ERROR w/ VPP ON ...", {QStringLiteral(" VDD Voltage TOO HIGH ")});
        row("VPP reads 14.4 V", [](BoxFaults& f) { f.vppLevel = 230; }, false, Bit::MclrTooHigh, "5.00", "13.25", false,
            "VPP ERROR w/ VDD ON ...", {QStringLiteral(" MCLR Voltage TOO HIGH ")});
        // A supply that stays low keeps the wait going: the operator cancels it, an unattended
        // run gives up after the bound with the supply's not-rising bit.
        row("VDD stays at 0.5 V", [](BoxFaults& f) { f.vddLevel = 8; }, false, Bit::UserAbort | Bit::TaskFailed, "0.50",
            "0.00", false, "", {abort, taskFailed});
        row("VDD stays at 0.5 V unattended", [](BoxFaults& f) { f.vddLevel = 8; }, true, Bit::VddNotRising, "0.50",
            "0.00", false, "", {QStringLiteral(" VDD not rising ")});
        row("VPP stays at 0.5 V unattended", [](BoxFaults& f) { f.vppLevel = 8; }, true, Bit::MclrNotRising, "0.00",
            "0.50", false, "", {QStringLiteral(" MCLR not rising ")});
    }
    void FaultsStopTheRunAndSwitchTheSuppliesOff()
    {
        QFETCH(FaultCase, c);
        SimEngineRig<> rig(QStringLiteral("16F877A"), 1, [](AppContext& ctx) {
            ctx.Options().SetFactoryValues();
            OptionsChanged(ctx);
        });
        // The program's own bound: the rig's clock skips the waiting.
        constexpr int WaitBoundMs = PowerSequencer::UnattendedWaitMs;
        MonitorOperator monitor(rig.engine.Monitor());
        monitor.present = !c.unattended;
        rig.ctx.Flags().ExitOnErrors = c.unattended;
        rig.box.Faults() = c.faults;
        rig.endpoint.recent.clear();
        rig.op.boxes.clear();
        const qint64 started = rig.clock.NowMs();
        rig.engine.Cycles().ProgramOnly();
        const qint64 elapsed = rig.clock.NowMs() - started;

        const QStringList history = rig.ctx.History().DisplayText();
        const qsizetype preTest = history.indexOf(QStringLiteral("Voltage Pre-Test:"));
        QVERIFY(preTest >= 0);
        QCOMPARE(history.mid(preTest, 5), PreTestLines(c));
        QCOMPARE(ReportLines(history), c.report);
        QCOMPARE(rig.link.Errors().Word(), c.bits);
        QCOMPARE(monitor.errorMessages, c.message.isEmpty() ? QStringList() : QStringList{c.message});
        QVERIFY(!rig.engine.Monitor().ErrorLook());
        // A supply that will not fall is waited for once in the run: one Cancel ends it.
        QVERIFY(monitor.cancels <= 1);
        // Unattended runs show no error box; interactive ones show one per problem.
        QStringList errorBoxes = rig.op.Captions();
        errorBoxes.removeAll(QStringLiteral("Code Protection Warning"));
        QCOMPARE(errorBoxes.isEmpty(), c.unattended || c.bits == 0);
        QVERIFY(SuppliesSwitchedOffLast(rig.endpoint.recent));
        QVERIFY(!rig.box.VddOn() && !rig.box.VppOn());
        // A wait nobody can end took the bound, and only once in the run.
        if (c.unattended && c.report.size() == 1 && !c.report[0].contains(QLatin1String("TOO")))
            QVERIFY2(elapsed >= WaitBoundMs && elapsed < 2 * WaitBoundMs, qPrintable(QString::number(elapsed)));
    }
};

QTEST_GUILESS_MAIN(TestEngineVoltageFaults)
#include "TestEngineVoltageFaults.moc"
