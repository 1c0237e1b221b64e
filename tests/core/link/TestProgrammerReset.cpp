// The reset, the link speed trial and the firmware synchronisation, run against the in-process
// simulator through the whole program context.
#include "BoxSimulator.h"
#include "RecordingEndpoint.h"
#include "ScriptedOperator.h"
#include "TestPaths.h"
#include "core/context/AppContext.h"
#include "core/link/LinkClock.h"
#include "core/link/LinkPort.h"
#include "core/link/ProgrammerLink.h"
#include "core/model/OptionIndex.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using Bit = LinkErrorWord::Bit;

namespace {
struct ResetRig {
    explicit ResetRig(const QString& appDir = TestPaths::ShippedData()) : ctx(op, appDir), link(ctx)
    {
        ctx.SetLink(&link);
        ctx.Support().versionText = QStringLiteral("280");
        ctx.Flags().AutoRunArmed = false;
        endpoint.box = &box;
        link.Factory().RegisterLoopback(QStringLiteral("box"), &endpoint);
        link.Port().SetPortResolver([](int) { return QStringLiteral("loop://box"); });
        link.Port().SetClock(clock);
    }

    QStringList Log() { return ctx.History().DisplayText(); }
    bool Logged(const QString& line) { return Log().contains(line); }

    SteppedLinkClock clock;
    ScriptedOperator op;
    AppContext ctx;
    BoxSimulator box; // outlives the link, whose port detaches from it on destruction
    RecordingEndpoint endpoint;
    ProgrammerLink link;
};

QByteArray ShippedImage()
{
    QFile file(TestPaths::ShippedData() + QStringLiteral("PX0118A.DAT"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
} // namespace

class TestProgrammerReset : public QObject
{
    Q_OBJECT

private slots:
    void matchingFirmwareResetsWithoutQuestion()
    {
        ResetRig rig;
        rig.link.ResetCommand();
        QVERIFY(rig.op.boxes.isEmpty());
        QVERIFY(rig.Logged(QStringLiteral("Resetting Praxon..")));
        QVERIFY(rig.Logged(QStringLiteral("Resetting Port:COM1 Success")));
        QCOMPARE(rig.ctx.Window().StatusText(), QStringLiteral("Resetting Port:COM1 Success"));
        QCOMPARE(rig.box.CurrentMode(), BoxSimulator::Mode::Application);
        QVERIFY(rig.link.Port().ProgrammerReady());
        QCOMPARE(rig.link.Status().Index(), int(LinkStatus::CommunicationOk));
        QVERIFY(!rig.link.Status().Visible());
        QCOMPARE(rig.link.Identity().SerialNumber(), QStringLiteral("1001"));
        QCOMPARE(rig.link.Identity().HardwareVersion(), QStringLiteral("3-0"));
        QCOMPARE(rig.link.Identity().FirmwareVersion(), QStringLiteral("24.1"));
        QCOMPARE(rig.ctx.Exit().Word(), 0);

        // Ready and configured: a second reset only clears the run state.
        const int resets = rig.box.Resets();
        rig.link.ResetProgrammer();
        QCOMPARE(rig.box.Resets(), resets);
    }

    void oldFirmwareIsDownloadedWhenAccepted()
    {
        ResetRig rig;
        rig.box.Identity().firmwareVersion = 0x0117;
        rig.op.QueueAnswer(OkButton);
        rig.link.ResetCommand();
        QCOMPARE(rig.op.Captions(), QStringList{QStringLiteral("Synchronizing Hardware to Match Software")});
        QVERIFY(rig.op.Texts().first().contains(QStringLiteral("Current Firmware Version:      23.1\r"
                                                               "Changing to Firmware Version:  24.1")));
        QCOMPARE(rig.box.LastImage(), ShippedImage());
        QCOMPARE(rig.box.Identity().firmwareVersion, quint16(0x0118));
        QVERIFY(rig.Logged(QStringLiteral(" Synchronizing Firmware")));
        QVERIFY(rig.Logged(QStringLiteral(" Loading IMAGE: PX0118A.DAT")));
        QVERIFY(rig.Logged(QStringLiteral("Synchronizing Firmware Results:   OK")));
        QVERIFY(rig.Logged(QStringLiteral("Resetting Port:COM1 Success")));
        QCOMPARE(rig.link.Progress().Position(), 0); // the reset that follows clears the bar
        QVERIFY(rig.link.Port().ProgrammerReady());
    }

    void cancelledAutomaticUpdateIsNotSynchronised()
    {
        ResetRig rig;
        rig.box.Identity().firmwareVersion = 0x0117;
        rig.op.QueueAnswer(CancelButton);
        rig.link.ResetCommand();
        QVERIFY(rig.link.Errors().Has(Bit::FirmwareNotSynchronized));
        QVERIFY(rig.Logged(QStringLiteral(" Firmware not Synchronized ")));
        QVERIFY(!rig.Logged(QStringLiteral("Resetting Port:COM1 Success")));
        // The stopped open closes the port, which also counts as a port error.
        QVERIFY(rig.link.Errors().Has(Bit::PortError));
        QVERIFY(rig.box.LastImage().isEmpty());
        QVERIFY(rig.ctx.Exit().Word() & Bit::FirmwareNotSynchronized);
    }

    void cancelledRequestedSynchronisationRecordsNothing()
    {
        ResetRig rig;
        rig.link.ResetCommand();
        rig.ctx.Flags().ProgramReady = true;
        rig.op.Clear();
        rig.op.QueueAnswer(CancelButton);
        rig.link.SynchronizeFirmwareCommand();
        QCOMPARE(rig.op.Captions(), QStringList{QStringLiteral("Ready to Synchronize Firmware")});
        QVERIFY(!rig.link.Errors().Has(Bit::FirmwareNotSynchronized));
        QVERIFY(!rig.link.FirmwareSyncRequested());
        QVERIFY(rig.box.LastImage().isEmpty());
    }

    void missingImageFailsTheReset()
    {
        QTemporaryDir empty;
        ResetRig rig(empty.path() + u'/');
        rig.box.Identity().firmwareVersion = 0x0117;
        rig.op.QueueAnswer(OkButton);
        rig.link.ResetCommand();
        QVERIFY(rig.op.Texts().contains(QStringLiteral("Firmware image: PX0118A.DAT does not exist.")));
        QVERIFY(rig.op.Captions().contains(QStringLiteral("Firmware Update Error")));
        QVERIFY(rig.Logged(QStringLiteral("Synchronizing Firmware Results:   Failed")));
        QVERIFY(!rig.link.Port().ProgrammerReady());
        QVERIFY(!rig.Logged(QStringLiteral("Resetting Port:COM1 Success")));
        QVERIFY(rig.Logged(QStringLiteral(" Firmware not Synchronized ")));
        QCOMPARE(rig.box.CurrentMode(), BoxSimulator::Mode::Download);
    }

    void downloadThatStopsHalfWay()
    {
        ResetRig rig;
        rig.box.Identity().firmwareVersion = 0x0117;
        // '<' 'I' '>' and '<' 'L' '>' then 1000 image bytes are answered, nothing after.
        rig.box.Faults().silentAfter = 6 + 1000;
        rig.op.QueueAnswer(OkButton);
        rig.link.ResetCommand();
        QVERIFY(rig.op.Texts().contains(QStringLiteral("ERROR Syncronizing Firmware")));
        QVERIFY(rig.Logged(QStringLiteral("Synchronizing Firmware Results:   Failed")));
        QVERIFY(rig.link.Errors().Has(Bit::NotResponding));
        QVERIFY(rig.Logged(QStringLiteral(" Praxon Not Responding ")));
        QCOMPARE(rig.link.Status().Index(), int(LinkStatus::PortCommunicationError));
        QVERIFY(rig.box.LastImage().isEmpty()); // the box never received a complete image
    }

    // An image that does not bring the box to the wanted version or letter is downloaded once per
    // reset; the reset then fails instead of loading it again without end.
    void imageThatDoesNotTakeEffectIsLoadedOnce_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<bool>("configuration");
        QTest::addColumn<QString>("results");
        QTest::newRow("corrupt firmware") << "corrupt" << false << "Synchronizing Firmware Results:   Failed";
        QTest::newRow("mislabelled firmware") << "version" << false << "Synchronizing Firmware Results:   Failed";
        QTest::newRow("mislabelled configuration") << "letter" << true << "Configuring Programmer Results:   Failed";
    }
    void imageThatDoesNotTakeEffectIsLoadedOnce()
    {
        QFETCH(QString, fault);
        QFETCH(bool, configuration);
        QFETCH(QString, results);
        // The image's words: marker, version, letter, ...; all words sum to 0.
        QByteArray image = ShippedImage();
        QVERIFY(image.size() >= 8);
        auto setWord = [&image](int i, quint16 w) {
            image[2 * i] = char(w & 0xFF);
            image[2 * i + 1] = char(w >> 8);
        };
        auto word = [&image](int i) { return quint16(quint8(image[2 * i]) | quint8(image[2 * i + 1]) << 8); };
        const int last = int(image.size() / 2) - 1;
        const int changed = fault == QStringLiteral("version") ? 1 : 2;
        const quint16 was = word(changed);
        if (fault == QStringLiteral("corrupt")) {
            image[2 * last] = char(image[2 * last] ^ 0x01); // the check sum no longer holds
        } else {
            setWord(changed, fault == QStringLiteral("version") ? 0x0117 : quint16(u'C'));
            setWord(last, quint16(word(last) + was - word(changed)));
        }
        QTemporaryDir dir;
        QFile file(dir.filePath(QStringLiteral("PX0118A.DAT")));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(image) == image.size());
        file.close();

        ResetRig rig(dir.path() + u'/');
        if (configuration) {
            rig.box.Identity().configLetter = 'B';
            rig.ctx.Flags().ProgramReady = true;
        } else {
            rig.box.Identity().firmwareVersion = 0x0117;
        }
        // A second question would be answered Cancel, which also ends the loop but hides it.
        rig.op.QueueAnswer(OkButton);
        rig.op.QueueAnswer(CancelButton);
        rig.link.ResetCommand();

        QCOMPARE(rig.box.LastImage(), image);
        QCOMPARE(rig.Log().count(QStringLiteral(" Loading IMAGE: PX0118A.DAT")), 1);
        QCOMPARE(rig.op.Captions().count(QStringLiteral("Synchronizing Hardware to Match Software")),
                 configuration ? 0 : 1);
        QVERIFY(rig.Logged(results));
        QVERIFY(rig.link.Errors().Has(Bit::FirmwareNotSynchronized));
        QVERIFY(rig.ctx.Exit().Word() & Bit::FirmwareNotSynchronized);
        QVERIFY(rig.Logged(QStringLiteral(" Firmware not Synchronized ")));
        QVERIFY(!rig.Logged(QStringLiteral("Resetting Port:COM1 Success")));
        QVERIFY(!rig.link.Port().ProgrammerReady());
        // Open, (configuration: reopen to load), open after the download, (configuration: reopen).
        QCOMPARE(rig.box.Resets(), configuration ? 4 : 2);

        // The next reset may try again: a corrected image file is then loaded and taken.
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(ShippedImage()) == ShippedImage().size());
        file.close();
        rig.op.Clear();
        rig.op.QueueAnswer(OkButton);
        rig.link.ResetCommand();
        QCOMPARE(rig.box.LastImage(), ShippedImage());
        QVERIFY(rig.Logged(QStringLiteral("Resetting Port:COM1 Success")));
        QVERIFY(rig.link.Port().ProgrammerReady());
    }

    void configurationImageLoadedAfterStartUp()
    {
        ResetRig rig;
        rig.box.Identity().configLetter = 'B';
        rig.ctx.Flags().ProgramReady = true;
        rig.link.ResetCommand();
        QVERIFY(rig.op.boxes.isEmpty()); // a configuration download is not asked about
        QCOMPARE(rig.box.LastImage(), ShippedImage());
        QCOMPARE(rig.box.Identity().configLetter, 'A');
        QVERIFY(rig.Logged(QStringLiteral(" Configuring Programmer")));
        QVERIFY(rig.Logged(QStringLiteral("Configuring Programmer Results:   OK")));
        QVERIFY(rig.Logged(QStringLiteral("Resetting Port:COM1 Success")));
        QVERIFY(!rig.link.ConfigurationNeeded());
    }

    void hardwareWordDecoding_data()
    {
        QTest::addColumn<int>("word");
        QTest::addColumn<int>("revision");
        QTest::addColumn<int>("modification");
        QTest::addColumn<int>("flags");
        QTest::addColumn<QString>("text");
        QTest::newRow("0x0001") << 0x0001 << 2 << 0 << 2 << "2-0";
        QTest::newRow("0x0301") << 0x0301 << 2 << 3 << 6 << "2-3";
        QTest::newRow("0x0201") << 0x0201 << 2 << 2 << 2 << "2-2";
        QTest::newRow("0x0002") << 0x0002 << 3 << 0 << 0 << "3-0";
        QTest::newRow("0x1A0B") << 0x1A0B << 12 << 0x1A << 0x1A << "C-1A";
    }
    void hardwareWordDecoding()
    {
        QFETCH(int, word);
        QFETCH(int, revision);
        QFETCH(int, modification);
        QFETCH(int, flags);
        QFETCH(QString, text);
        ResetRig rig;
        rig.link.DecodeHardwareWord(quint16(word));
        QCOMPARE(rig.link.Identity().Revision(), revision);
        QCOMPARE(rig.link.Identity().Modification(), modification);
        QCOMPARE(rig.link.Identity().ModificationFlags(), flags);
        QCOMPARE(rig.link.Identity().HardwareVersion(), text);
    }

    void imageFileName()
    {
        ResetRig rig;
        rig.ctx.Support().versionText = QStringLiteral("261"); // 0x0105
        QCOMPARE(rig.link.ImageFileName(), QStringLiteral("PX0105A.DAT"));
    }

    void highSpeedTrialPasses()
    {
        ResetRig rig;
        rig.ctx.Options().SetValue(OptionIndex::HighSpeed, quint8(1));
        rig.link.ResetCommand();
        QVERIFY(rig.Logged(QStringLiteral("Resetting Port:COM1 Success")));
        QCOMPARE(rig.box.LineRate(), 115200);
        QCOMPARE(rig.link.Status().Index(), int(LinkStatus::CommunicationOk));
        QVERIFY(!rig.link.Box().HighSpeedFailed());
        QVERIFY(!rig.link.Box().HighSpeedTrial());
        QVERIFY(rig.link.Port().ProgrammerReady());
    }

    void highSpeedTrialFailsBySilenceThenKeepsNormalSpeed()
    {
        ResetRig rig;
        rig.link.ResetCommand();
        const qint64 perReset = rig.endpoint.sent;
        rig.ctx.Options().SetValue(OptionIndex::HighSpeed, quint8(1));
        rig.box.Faults().silentAfter = perReset; // command 21 goes unanswered
        rig.op.Clear();
        rig.link.ResetCommand();
        QVERIFY(rig.link.Errors().Has(Bit::HighSpeedFailed));
        QVERIFY(rig.link.Box().HighSpeedFailed());
        QCOMPARE(rig.link.Status().Index(), int(LinkStatus::HighSpeedFailed));
        QVERIFY(rig.Logged(QStringLiteral(" Higher Transfer Speed Failed. ")));
        QCOMPARE(rig.op.Captions(), QStringList{QStringLiteral("Data Transfer Error")});

        rig.box.Faults().silentAfter = -1;
        rig.link.ResetCommand();
        QCOMPARE(rig.link.Status().Index(), int(LinkStatus::KeepingNormalSpeed));
        QCOMPARE(rig.box.LineRate(), 57600);
        QVERIFY(rig.link.Port().ProgrammerReady());
        QCOMPARE(rig.ctx.Window().StatusText(), QStringLiteral("Resetting Port:COM1 Success"));
    }

    void highSpeedTrialFailsByGarbage()
    {
        ResetRig rig;
        rig.link.ResetCommand();
        const qint64 perReset = rig.endpoint.sent;
        rig.ctx.Options().SetValue(OptionIndex::HighSpeed, quint8(1));
        // The answer to the abort escape at the new speed (after the frame of command 21 and
        // the two escape bytes) arrives garbled.
        rig.box.Faults().garbageAfter = 2 * perReset + 5;
        rig.link.ResetCommand();
        QVERIFY(rig.link.Errors().Has(Bit::HighSpeedFailed));
        QVERIFY(!rig.link.Errors().Has(Bit::BadData));
        QVERIFY(rig.link.Box().HighSpeedFailed());
        QCOMPARE(rig.link.Status().Index(), int(LinkStatus::HighSpeedFailed));
        QVERIFY(!rig.link.Port().ProgrammerReady());
    }

    void silentBoxIsNotResponding()
    {
        ResetRig rig;
        rig.box.Faults().silentAfter = 0;
        rig.link.ResetCommand();
        QVERIFY(rig.Logged(QStringLiteral(" Praxon Not Responding ")));
        QVERIFY(!rig.Logged(QStringLiteral(" All Selected Devices Failed ")));
        QVERIFY(rig.op.Captions().contains(QStringLiteral("Communication Timeout")));
        QCOMPARE(rig.link.Identity().SerialNumber(), ProgrammerIdentity::NotAvailable);
        QCOMPARE(rig.link.Status().Index(), int(LinkStatus::PortCommunicationError));
        QVERIFY(rig.ctx.Exit().Word() & Bit::NotResponding);
    }

    // After every reset the information report's hardware lines show what the box told, and what
    // a silent box leaves: the identity's "not available" texts.
    void informationReportShowsTheIdentity()
    {
        ResetRig rig;
        rig.ctx.Flags().ProgramReady = true;
        rig.box.Identity().modification = 0x0B; // 5X user mod, C1 mod, dual VPP
        rig.link.ResetCommand();
        auto value = [&rig](const QString& label) {
            for (const QString& line : rig.ctx.Window().InformationText().split(u'\n'))
                if (line.startsWith(u' ' + label + u' '))
                    return line.mid(24);
            return QStringLiteral("<missing>");
        };
        QCOMPARE(value("Hardware Version:"), QStringLiteral("3-B"));
        QCOMPARE(value("MOD #1, 5X Mod:"), QStringLiteral("Yes -User"));
        QCOMPARE(value("MOD #3, Dual VPP:"), QStringLiteral("Yes"));
        QCOMPARE(value("Firmware Version:"), QStringLiteral("24.1"));
        QCOMPARE(value("Serial Number:"), QStringLiteral("1001"));

        rig.box.Faults().silentAfter = 0;
        rig.link.Port().SetProgrammerReady(false);
        rig.link.ResetCommand();
        QCOMPARE(value("Hardware Version:"), ProgrammerIdentity::NotAvailable);
        QCOMPARE(value("Firmware Version:"), ProgrammerIdentity::NotAvailable);
        QCOMPARE(value("MOD #1, 5X Mod:"), QStringLiteral("No"));
    }

    void portThatCannotBeOpened()
    {
        ResetRig rig;
        rig.link.Port().SetPortResolver([](int) { return QStringLiteral("loop://nobody"); });
        rig.link.ResetCommand();
        QCOMPARE(rig.link.Status().Index(), int(LinkStatus::PortCommunicationError));
        QVERIFY(!rig.link.Status().Visible());
        QCOMPARE(rig.ctx.Window().StatusText(), QStringLiteral("PORT ERROR:  COM1 ERROR!"));
        QVERIFY(rig.op.Captions().contains(QStringLiteral("Communication Error")));
    }

    void parallelDeviceSendsParallelModeAndShowsTheNotice()
    {
        ResetRig rig;
        rig.ctx.Profile().serial = false;
        rig.box.Identity().hardwareRevision = 3;
        rig.box.Identity().modification = 0;
        rig.op.QueueNoticeTick(true);
        rig.link.ResetCommand();
        const QList<NoticeRequest>& notices = rig.op.notices;
        QCOMPARE(notices.size(), 1);
        QCOMPARE(notices[0].title, QStringLiteral("Notice - Modification Required"));
        QCOMPARE(notices[0].checkText, QStringLiteral("I have made the modification. Do not show this message again."));
        QVERIFY(!notices[0].ticked);
        // '<' 19 '>' (the modification confirmed) and then '<' 16 '>' (parallel mode) went out.
        const int confirm = rig.endpoint.recent.lastIndexOf(QByteArray::fromHex("3C133E"));
        const int parallel = rig.endpoint.recent.lastIndexOf(QByteArray::fromHex("3C103E"));
        QVERIFY(confirm >= 0 && parallel > confirm);
        QVERIFY(rig.Logged(QStringLiteral("Resetting Port:COM1 Success")));
    }

    void clearLedsResetsThenClearsTheBoxErrors()
    {
        ResetRig rig;
        rig.link.ResetCommand();
        rig.endpoint.recent.clear();
        rig.link.ClearLedsCommand();
        QVERIFY(rig.Logged(QStringLiteral("Clearing Errors Success")));
        QVERIFY(rig.endpoint.recent.endsWith(QByteArray::fromHex("3C093E")));

        // A failed reset is reported and the clear-errors command is not sent.
        rig.box.Faults().silentAfter = 0;
        rig.link.Port().SetProgrammerReady(false);
        rig.endpoint.recent.clear();
        rig.link.ClearLedsCommand();
        QVERIFY(rig.Logged(QStringLiteral(" Praxon Not Responding ")));
        QCOMPARE(rig.Log().count(QStringLiteral("Clearing Errors Success")), 1); // only the first
        QVERIFY(!rig.endpoint.recent.contains(QByteArray::fromHex("3C093E")));
    }

    void portChangeResetsOnTheNewPort()
    {
        ResetRig rig;
        QList<int> opened;
        rig.link.Port().SetPortResolver([&opened](int n) {
            opened << n;
            return QStringLiteral("loop://box");
        });
        rig.ctx.Window().SetPortIndex(2);
        rig.link.PortChangedCommand();
        QCOMPARE(opened.value(0), 3);
        QVERIFY(rig.Logged(QStringLiteral("Opening Port:COM3 Success")));
    }
};

QTEST_GUILESS_MAIN(TestProgrammerReset)
#include "TestProgrammerReset.moc"
