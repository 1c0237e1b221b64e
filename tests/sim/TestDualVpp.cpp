// "Test Dual &VPP" against the simulated box: both VPP ranges watched, the history and status
// line of each outcome, the error display and bit of a range that does not hold, the dual-VPP
// firmware variant used for the test, and the modification record written (and shown) only when
// the programmer does not carry it yet.
#include "SimEngineRig.h"
#include "core/link/BoxProtocol.h"

#include <QTest>
#include <QTimer>

using Bit = LinkErrorWord::Bit;

namespace {

struct DualVppCase {
    int revision = 3;
    quint8 modification = 0;
    bool fitted = false;
    int vppLevel = 0;     // both ranges
    int reducedLevel = 0; // the reduced range only
    char letter = 'A';    // the device's firmware variant before the test
    bool passed = false;  // "Dual VPP Test:" OK
    quint64 bits = 0;     // error bits after the test
    QStringList values;   // the logged VPP values, in order
    QString errorShown;   // the monitor's error message ("" none)
    bool written = false; // the modification record went to the box
    quint8 modificationAfter = 0;
};

QString Column(const char* label, const QString& value)
{
    return QString::fromLatin1(label).leftJustified(34, u' ') + value;
}

} // namespace

Q_DECLARE_METATYPE(DualVppCase)

class TestDualVpp : public QObject
{
    Q_OBJECT
private slots:
    void BothRangesAreWatchedAndTheRecordWrittenOnce_data()
    {
        QTest::addColumn<DualVppCase>("c");
        auto row = [](const char* name, DualVppCase c) { QTest::newRow(name) << c; };
        // Revision 3 has both ranges built in and its modification bytes agree: nothing is written.
        row("rev 3 passes", {3, 0, false, 0, 0, 'A', true, 0, {"13.00", "11.00"}, "", false, 0});
        // Revision 2 with the modification fitted: passes, and the record is written.
        row("rev 2 fitted passes and records", {2, 0, true, 0, 0, 'A', true, 0, {"13.00", "11.00"}, "", true, 0x02});
        // Revision 2 without it keeps the standard VPP in mode 0: the low range reads 13.0 V.
        row("rev 2 not fitted fails low", {2,
                                           0,
                                           false,
                                           0,
                                           0,
                                           'A',
                                           false,
                                           Bit::MclrTooHigh,
                                           {"13.00", "13.00"},
                                           "VPP ERROR w/ VDD OFF ...",
                                           false,
                                           0});
        // A reduced range set to 12.5 V (reading 200, above 192) fails with MCLR too high.
        row("low range 12.5 V fails", {3,
                                       0,
                                       false,
                                       0,
                                       200,
                                       'D',
                                       false,
                                       Bit::MclrTooHigh,
                                       {"13.00", "12.50"},
                                       "VPP ERROR w/ VDD OFF ...",
                                       false,
                                       0});
        row("high range 14.4 V fails",
            {3, 0, false, 230, 0, 'D', false, Bit::MclrTooHigh, {"13.25"}, "VPP ERROR w/ VDD OFF ...", false, 0});
    }
    void BothRangesAreWatchedAndTheRecordWrittenOnce()
    {
        QFETCH(DualVppCase, c);
        SimEngineRig<> rig(QStringLiteral("16F877A"), 0);
        rig.ctx.Flags().ProgramReady = true;
        rig.ctx.Profile().pmod = QChar::fromLatin1(c.letter);
        rig.box.Identity().hardwareRevision = quint8(c.revision);
        rig.box.Identity().modification = c.modification;
        rig.box.Identity().dualVppFitted = c.fitted;
        rig.box.Identity().configLetter = c.letter;
        rig.box.Faults().vppLevel = c.vppLevel;
        rig.box.Faults().vppReducedLevel = c.reducedLevel;
        rig.link.ResetProgrammer();

        // The operator closes the monitor's error display.
        TargetMonitor& monitor = rig.engine.Monitor();
        QString errorShown;
        QObject::connect(&monitor, &TargetMonitor::Changed, &monitor, [&] {
            if (monitor.Visible() && monitor.ErrorLook() && errorShown.isEmpty()) {
                errorShown = monitor.ActionText();
                QTimer::singleShot(0, &monitor, [&] { monitor.Cancel(); });
            }
        });
        DualVppTest& test = rig.engine.DualVpp();
        int identityShown = 0;
        QString statusBeforeAbout;
        char letterBeforeAbout = 0;
        test.SetShowIdentity([&] {
            ++identityShown;
            statusBeforeAbout = rig.ctx.Window().StatusText();
            letterBeforeAbout = rig.box.Identity().configLetter;
            rig.link.ResetProgrammer();
        });
        rig.ctx.History().Initialise();
        rig.op.boxes.clear();

        const bool written = test.TestDualVppCommand();

        QCOMPARE(rig.op.Captions().value(0), QStringLiteral("Warning"));
        QCOMPARE(rig.op.Texts().value(0),
                 QStringLiteral("Remove ICP Cable or Programming Adapter,\rthen select OK to proceed with test."));
        const QStringList history = rig.ctx.History().DisplayText();
        QStringList values;
        for (const QString& line : history)
            if (line.startsWith(QLatin1String(" VPP Value: ")))
                values << line.mid(34).trimmed();
        QCOMPARE(values, c.values);
        QCOMPARE(history.contains(QStringLiteral("Testing Low Range...")), c.values.size() == 2);
        const qsizetype verdict =
            history.lastIndexOf(Column("Dual VPP Test:", c.passed ? QStringLiteral("OK") : QStringLiteral("Failed")));
        QVERIFY2(verdict > 0, qPrintable(history.join(u'\n')));
        QCOMPARE(history[verdict - 1], QString(47, QChar(0xAF)));
        // The about box's reset writes its own status; the test's verdict comes before it.
        QCOMPARE(c.written ? statusBeforeAbout : rig.ctx.Window().StatusText(),
                 c.passed ? QStringLiteral("Dual VPP Test: Passed") : QStringLiteral("Dual VPP Test: Failed"));
        QCOMPARE(rig.link.Errors().Word() & (Bit::MclrTooLow | Bit::MclrTooHigh), c.bits);
        QCOMPARE(errorShown, c.errorShown);
        // A passing run shows each value in teal.
        if (c.passed) {
            for (int i = 0; i < rig.ctx.History().VisibleCount(); ++i) {
                const HistoryLog::Entry& e = rig.ctx.History().DisplayLine(i);
                if (e.text.startsWith(QLatin1String(" VPP Value: ")))
                    QCOMPARE(e.textColour, HistoryColour::FromRgb(0, 128, 128));
            }
        }

        // The test ran on the dual-VPP variant; the device keeps its own.
        QCOMPARE(c.written ? letterBeforeAbout : rig.box.Identity().configLetter, 'D');
        QCOMPARE(rig.ctx.Profile().pmod, QChar::fromLatin1(c.letter));
        QCOMPARE(history.contains(QStringLiteral(" Configuring Programmer")), c.letter != 'D');

        QCOMPARE(written, c.written);
        QCOMPARE(identityShown, c.written ? 1 : 0);
        QCOMPARE(rig.box.Identity().modification, c.written ? c.modificationAfter : c.modification);
        if (c.written)
            QCOMPARE(rig.link.Identity().HardwareVersion(),
                     QStringLiteral("%1-%2").arg(c.revision).arg(c.modificationAfter));
    }

    // A programmer that does not answer the reset fails the test at once: no measurement, no line
    // of the test's own, no verdict on the status line, no record.
    void SilentProgrammerFailsAtOnce()
    {
        SimEngineRig<> rig(QStringLiteral("16F877A"), 0);
        rig.ctx.Flags().ProgramReady = true;
        rig.link.ResetProgrammer();
        rig.box.Faults().silentAfter = 0;
        rig.ctx.History().Initialise();
        const int before = rig.ctx.History().VisibleCount();

        QVERIFY(!rig.engine.DualVpp().TestDualVppCommand());
        QVERIFY(!rig.link.Port().ProgrammerReady());
        for (const QString& line : rig.ctx.History().DisplayText().mid(before))
            QVERIFY2(!line.contains(QLatin1String("VPP")) && !line.startsWith(QLatin1String("Dual VPP Test:")),
                     qPrintable(line));
        QVERIFY(!rig.ctx.Window().StatusText().startsWith(QLatin1String("Dual VPP Test:")));
        QCOMPARE(rig.box.Identity().modification, quint8(0));
    }
};

QTEST_GUILESS_MAIN(TestDualVpp)
#include "TestDualVpp.moc"
