// Supply faults injected into the simulated box, met by the engine's pre-test and operations:
// each shows its pre-test lines, its message on the target monitor, its error bits and its report
// line, and the box sees both supplies switched off afterwards.
#include "EngineRig.h"
#include "core/link/ErrorReport.h"

#include <QElapsedTimer>

using namespace BoxProtocol;
using Bit = LinkErrorWord::Bit;

namespace {

// Answers the target monitor as an operator would: closes it when it shows an error, and
// cancels a wait for a supply that does not turn off. Keeps the error message it showed.
struct MonitorOperator {
    explicit MonitorOperator(TargetMonitor& monitor) : m(monitor)
    {
        QObject::connect(&m, &TargetMonitor::Changed, &m, [this] {
            if (!m.Visible())
                return;
            if (m.ErrorLook()) {
                if (!m.ActionText().isEmpty())
                    errorMessage = m.ActionText();
            } else if (!m.ActionText().contains(QLatin1String("turn OFF"))) {
                return;
            }
            QTimer::singleShot(0, &m, [this] { m.Cancel(); });
        });
    }
    TargetMonitor& m;
    QString errorMessage;
};

} // namespace

class TestEngineVoltageFaults : public QObject
{
    Q_OBJECT
private slots:
    void FaultsStopTheRunAndSwitchTheSuppliesOff_data()
    {
        QTest::addColumn<int>("supplyFaults");
        QTest::addColumn<int>("drop");
        QTest::addColumn<int>("vddIdle");
        QTest::addColumn<int>("vppIdle");
        QTest::addColumn<bool>("unattended");
        QTest::addColumn<quint64>("bits");
        QTest::addColumn<QString>("vddLine");
        QTest::addColumn<QString>("vppLine");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("report");
        QTest::newRow("none") << 0 << 0 << 0 << 0 << false << quint64(0) << "" << "" << "" << "";
        QTest::newRow("VDD never rises") << 0x04 << 0 << 0 << 0 << false << quint64(0) << "" << "" << "" << "";
        QTest::newRow("VDD too low") << 0x01 << 0 << 0 << 0 << false << quint64(0) << "" << "" << "" << "";
        QTest::newRow("VDD too high") << 0x02 << 0 << 0 << 0 << false << quint64(0) << "" << "" << "" << "";
        QTest::newRow("MCLR too low") << 0x08 << 0 << 0 << 0 << false << quint64(0) << "" << "" << "" << "";
        QTest::newRow("VPP 14.4 V") << 0x10 << 0 << 0 << 0 << false << quint64(0) << "" << "" << "" << "";
        QTest::newRow("VPP not rising") << 0x20 << 0 << 0 << 0 << false << quint64(0) << "" << "" << "" << "";
        QTest::newRow("VDD drops") << 0 << 0x01 << 0 << 0 << false << quint64(0) << "" << "" << "" << "";
        QTest::newRow("MCLR drops") << 0 << 0x08 << 0 << 0 << false << quint64(0) << "" << "" << "" << "";
        QTest::newRow("voltage on VDD") << 0 << 0 << 40 << 0 << false << quint64(0) << "" << "" << "" << "";
        QTest::newRow("voltage on VDD unattended") << 0 << 0 << 40 << 0 << true << quint64(0) << "" << "" << "" << "";
        QTest::newRow("MCLR not low") << 0 << 0 << 0 << 30 << false << quint64(0) << "" << "" << "" << "";
    }
    void FaultsStopTheRunAndSwitchTheSuppliesOff()
    {
        QFETCH(int, supplyFaults);
        QFETCH(int, drop);
        QFETCH(int, vddIdle);
        QFETCH(int, vppIdle);
        QFETCH(bool, unattended);
        EngineRig rig(QStringLiteral("16F877A"));
        MonitorOperator monitor(rig.engine.Monitor());
        rig.ctx.Flags().ExitOnErrors = unattended;
        BoxFaults& f = rig.box.Faults();
        f.supplyFaults = quint8(supplyFaults);
        f.dropDuringOperation = quint8(drop);
        f.vddIdle = vddIdle;
        f.vppIdle = vppIdle;
        QElapsedTimer clock;
        clock.start();
        rig.engine.VoltagePreTest();
        if (!rig.ctx.Flags().StopRequested) {
            rig.Run(5);
            rig.engine.PowerOff();
        }
        const qint64 elapsed = clock.elapsed();
        const quint64 word = rig.Errors();
        ErrorReportContext report{rig.link.Errors(),
                                  rig.ctx.History(),
                                  rig.op,
                                  rig.ctx.Flags(),
                                  rig.ctx.Window(),
                                  QStringLiteral("COM1"),
                                  QString(),
                                  rig.State().PoweredForOperation,
                                  {}};
        ReportErrors(report);
        qWarning("bits 0x%llX elapsed %lld monitor '%s' vdd %d vpp %d", word, elapsed, qPrintable(monitor.errorMessage),
                 int(rig.box.VddOn()), int(rig.box.VppOn()));
        qWarning("%s", qPrintable(rig.ctx.History().DisplayText().join(u'\n')));
    }
};

QTEST_GUILESS_MAIN(TestEngineVoltageFaults)
#include "TestEngineVoltageFaults.moc"
