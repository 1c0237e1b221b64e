// The link error word and its report: history lines, message boxes, ordering and exclusions.
#include "ScriptedOperator.h"
#include "core/context/HistoryLog.h"
#include "core/context/MainWindowState.h"
#include "core/context/ProgramFlags.h"
#include "core/link/ErrorReport.h"
#include "core/link/LinkErrorWord.h"

#include <QTest>

using Bit = LinkErrorWord::Bit;

namespace {
struct ReportRig {
    ProgramFlags flags;
    HistoryLog history;
    ScriptedOperator op;
    MainWindowState window;
    int exitCode = -1;
    int hardFaults = 0;
    int marked = 0;
    LinkErrorWord errors{flags, [this](int code) { exitCode = code; }, [this] { ++hardFaults; }};

    ReportRig() { history.Initialise(); }

    bool Report(bool during = false, const QString& portText = QString())
    {
        ErrorReportContext ctx{
            errors, history, op, flags, window, QStringLiteral("COM1"), portText, during, [this] { ++marked; }};
        return ReportErrors(ctx);
    }

    // The lines the report added (the log starts with one empty line).
    QStringList Lines()
    {
        QStringList lines = history.DisplayText();
        lines.removeFirst();
        return lines;
    }
};
} // namespace

class TestLinkErrors : public QObject
{
    Q_OBJECT

private slots:
    void recordingImpliesTaskFailureAndStops()
    {
        ReportRig rig;
        rig.errors.RecordError(Bit::UserAbort);
        QCOMPARE(rig.errors.Word(), quint64(0x48));
        QVERIFY(rig.flags.StopRequested);
        QVERIFY(rig.errors.LinkHealthy());
        QCOMPARE(rig.hardFaults, 0);
        rig.errors.RecordError(Bit::ProgrammingVoltageError);
        QCOMPARE(rig.errors.Word(), quint64(0x20048));
        QCOMPARE(rig.exitCode, 0x48); // only the low 16 bits
        rig.errors.RecordError(Bit::VddTooLow);
        QVERIFY(!rig.errors.LinkHealthy());
        QCOMPARE(rig.hardFaults, 0);
        rig.errors.RecordError(Bit::BadData);
        rig.errors.RecordError(Bit::HighSpeedFailed);
        rig.errors.RecordError(Bit::NotResponding);
        rig.errors.RecordError(Bit::PortError);
        QCOMPARE(rig.hardFaults, 4);

        rig.errors.ClearError(Bit::VddTooLow);
        QCOMPARE(rig.errors.Word(), quint64(0x20048 | 0x4 | 0x20 | 0x2 | 0x1));
        QVERIFY(rig.flags.StopRequested);
        rig.errors.ClearError(0);
        QCOMPARE(rig.errors.Word(), quint64(0));
        QVERIFY(!rig.flags.StopRequested);
        QCOMPARE(rig.exitCode, 0);
    }

    void silentBoxReportsOnlyNotResponding()
    {
        ReportRig rig;
        rig.errors.RecordError(Bit::AllDevicesFailed); // first watchdog expiry
        rig.errors.RecordError(Bit::NotResponding);    // second
        QVERIFY(rig.Report());
        QCOMPARE(rig.Lines(), QStringList{QStringLiteral(" Praxon Not Responding ")});
        QCOMPARE(rig.op.Captions(), QStringList{QStringLiteral("Communication Timeout")});
        QCOMPARE(rig.op.Texts(), QStringList{QStringLiteral("Praxon Not Responding.")});
        QCOMPARE(rig.op.boxes[0].icon, BoxIcon::Warning);
        QCOMPARE(rig.marked, 2); // by the line and by the box
        QCOMPARE(rig.errors.Word(), quint64(0xA));
        QCOMPARE(rig.exitCode, 0xA);
    }

    void exitOnErrorsLogsButShowsNoBox()
    {
        ReportRig rig;
        rig.flags.ExitOnErrors = true;
        rig.errors.RecordError(Bit::NotResponding);
        rig.errors.RecordError(Bit::VddTooHigh);
        rig.Report();
        QCOMPARE(rig.Lines(),
                 (QStringList{QStringLiteral(" VDD Voltage TOO HIGH "), QStringLiteral(" Praxon Not Responding ")}));
        QVERIFY(rig.op.boxes.isEmpty());
        QCOMPARE(rig.marked, 2); // hardware is marked unavailable even without the box
        QCOMPARE(rig.exitCode, 0x202);
    }

    void userAbortHidesBadData()
    {
        ReportRig rig;
        rig.errors.RecordError(Bit::BadData);
        rig.errors.RecordError(Bit::UserAbort);
        rig.Report();
        QCOMPARE(rig.Lines(), (QStringList{QStringLiteral(" User Aborted Task! "),
                                           QStringLiteral(" Current Programming Task Failed ")}));
        QCOMPARE(rig.op.Captions(), QStringList{QStringLiteral("Error Performing Selected Task")});
    }

    void badDataAlone()
    {
        ReportRig rig;
        rig.errors.RecordError(Bit::BadData);
        rig.Report();
        QCOMPARE(rig.Lines(), QStringList{QStringLiteral(" Communication Error Detected: Bad Data Received ")});
        QCOMPARE(rig.op.Captions(), QStringList{QStringLiteral("Bad Data Received")});
        QCOMPARE(rig.op.Texts(), QStringList{QStringLiteral("Communication Error Detected.")});
    }

    void voltageWordings_data()
    {
        QTest::addColumn<quint64>("bit");
        QTest::addColumn<bool>("during");
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("heading");
        const QString detected = QStringLiteral("Voltage Error Detected");
        const QString detectedDuring = QStringLiteral("Voltage Error Detected During Operation");
        QTest::newRow("vdd low") << quint64(Bit::VddTooLow) << false << " VDD Voltage TOO LOW " << detected
                                 << "VDD Voltage TOO LOW. Possible causes:";
        QTest::newRow("vdd drop") << quint64(Bit::VddTooLow) << true << " VDD Voltage Drop during operation "
                                  << detectedDuring << "VDD Voltage Drop During Operation. Possible causes:";
        QTest::newRow("vdd high") << quint64(Bit::VddTooHigh) << false << " VDD Voltage TOO HIGH " << detected
                                  << "VDD Voltage TOO HIGH. Possible causes:";
        QTest::newRow("vdd high during") << quint64(Bit::VddTooHigh) << true << " VDD TOO HIGH During Operation "
                                         << detected << "VDD TOO HIGH During Operation. Possible causes:";
        QTest::newRow("mclr low") << quint64(Bit::MclrTooLow) << false << " MCLR Voltage TOO LOW " << detected
                                  << "MCLR Voltage TOO LOW. Possible causes:";
        QTest::newRow("mclr drop") << quint64(Bit::MclrTooLow) << true << " MCLR Voltage Drop during operation "
                                   << detectedDuring << "MCLR Voltage Drop During Operation. Possible causes:";
        QTest::newRow("mclr high") << quint64(Bit::MclrTooHigh) << false << " MCLR Voltage TOO HIGH " << detected
                                   << "MCLR Voltage TOO HIGH. Possible causes:";
        QTest::newRow("mclr high during") << quint64(Bit::MclrTooHigh) << true << " MCLR TOO HIGH During Operation "
                                          << detected << "MCLR TOO HIGH During Operation. Possible causes:";
        QTest::newRow("vdd not rising") << quint64(Bit::VddNotRising) << true << " VDD not rising " << detected
                                        << "VDD not rising. Possible causes:";
        QTest::newRow("mclr not rising") << quint64(Bit::MclrNotRising) << false << " MCLR not rising " << detected
                                         << "MCLR not rising. Possible causes:";
        QTest::newRow("vdd present") << quint64(Bit::VoltageOnVdd) << false << " Voltage detected on VDD " << detected
                                     << "Voltage detected on VDD. Possible causes:";
        QTest::newRow("mclr pull") << quint64(Bit::CannotPullMclrLow) << false << " Can not pull MCLR low " << detected
                                   << "Can not pull MCLR low. Possible causes:";
    }
    void voltageWordings()
    {
        QFETCH(quint64, bit);
        QFETCH(bool, during);
        QFETCH(QString, line);
        QFETCH(QString, caption);
        QFETCH(QString, heading);
        ReportRig rig;
        rig.errors.RecordError(bit);
        rig.Report(during);
        QCOMPARE(rig.Lines(), QStringList{line});
        QCOMPARE(rig.op.Captions(), QStringList{caption});
        QCOMPARE(rig.op.boxes[0].icon, BoxIcon::Error);
        QCOMPARE(rig.op.boxes[0].sound, SoundKind::Error);
        const QStringList parts = rig.op.Texts()[0].split(QLatin1Char('\r'));
        QCOMPARE(parts[0], heading);
        QVERIFY(parts[1].isEmpty());
        QVERIFY(parts.size() >= 4);
        for (int i = 2; i < parts.size(); ++i)
            QVERIFY(parts[i].startsWith(QStringLiteral("* ")));
    }

    void everyLineInOrder()
    {
        ReportRig rig;
        rig.errors.RecordError(0x3FFFF & ~quint64(Bit::PortError | Bit::NotResponding));
        rig.Report();
        QCOMPARE(rig.Lines(), (QStringList{
                                  " User Aborted Task! ",
                                  " VDD Voltage TOO LOW ",
                                  " VDD Voltage TOO HIGH ",
                                  " VDD not rising ",
                                  " MCLR Voltage TOO LOW ",
                                  " MCLR Voltage TOO HIGH ",
                                  " MCLR not rising ",
                                  " Voltage detected on VDD ",
                                  " Can not pull MCLR low ",
                                  " Firmware not Synchronized ",
                                  " Higher Transfer Speed Failed. ",
                                  " Current Programming Task Failed ",
                                  " Unknown Error has Occured ",
                                  " Voltage Error during Operation ",
                                  " All Selected Devices Failed ",
                              }));
        // Voltage boxes in their own order, then one of the four transfer boxes, then the last two.
        QCOMPARE(rig.op.Texts().size(), 11);
        QVERIFY(rig.op.Texts()[0].startsWith(QStringLiteral("VDD Voltage TOO LOW.")));
        QVERIFY(rig.op.Texts()[1].startsWith(QStringLiteral("Voltage detected on VDD.")));
        QVERIFY(rig.op.Texts()[2].startsWith(QStringLiteral("VDD Voltage TOO HIGH.")));
        QVERIFY(rig.op.Texts()[6].startsWith(QStringLiteral("Can not pull MCLR low.")));
        QVERIFY(rig.op.Texts()[7].startsWith(QStringLiteral("MCLR not rising.")));
        QCOMPARE(rig.op.Texts().mid(8), (QStringList{"Higher Transfer Speed Failed.", "Unknown Error has Occurred.",
                                                     "Programming Voltage Error."}));
        QCOMPARE(rig.op.Captions().mid(8),
                 (QStringList{"Data Transfer Error", "Error Performing Operation", "Voltage Error during Operation"}));
        // Bits 0x10000 and above go; the task failure stays.
        QVERIFY(!rig.errors.Has(Bit::AllDevicesFailed | Bit::ProgrammingVoltageError));
        QVERIFY(rig.errors.Has(Bit::TaskFailed));
    }

    void portErrorLinesAndStatus()
    {
        ReportRig rig;
        rig.errors.RecordError(Bit::PortError);
        const QString text = QString(50, QLatin1Char('x')) + QStringLiteral("yz");
        rig.Report(false, text);
        QCOMPARE(rig.Lines(), (QStringList{" ", " PORT ERROR:  COM1 ", QString(46, QLatin1Char('x')), "xxxxyz"}));
        QCOMPARE(rig.window.StatusText(), QStringLiteral("PORT ERROR:  COM1 ERROR!"));
        QCOMPARE(rig.op.Captions(), QStringList{QStringLiteral("Communication Error")});
        QCOMPARE(rig.op.Texts(), QStringList{QStringLiteral("Error communicating with Port.")});
        QCOMPARE(rig.marked, 1);

        ReportRig empty;
        empty.errors.RecordError(Bit::PortError);
        empty.Report();
        QCOMPARE(empty.Lines().last(), QStringLiteral(" "));
    }

    void boxesOnlyWhileStopped()
    {
        ReportRig rig;
        rig.errors.RecordError(Bit::TaskFailed);
        rig.flags.StopRequested = false; // the engine cleared the flag and kept the word
        QVERIFY(!rig.Report());
        QCOMPARE(rig.Lines(), QStringList{QStringLiteral(" Current Programming Task Failed ")});
        QVERIFY(rig.op.boxes.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestLinkErrors)
#include "TestLinkErrors.moc"
