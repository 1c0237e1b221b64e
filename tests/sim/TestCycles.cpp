// The cycle commands against the in-process simulator with four chips, as an operator uses them:
// Auto Run programs every socket and the chips hold the image; a bad cell fails its socket alone;
// a blank check of programmed parts, an empty socket, a run without sockets and Stop each give
// their result; a read brings a chip's contents back into the image.
#include "BoxSimulator.h"
#include "ChipGeometry.h"
#include "RecordingEndpoint.h"
#include "ScriptedOperator.h"
#include "TestPaths.h"
#include "core/context/AppContext.h"
#include "core/devices/DeviceList.h"
#include "core/devices/DeviceProfileLoader.h"
#include "core/engine/Engine.h"
#include "core/image/ConfigurationWords.h"
#include "core/link/BoxProtocol.h"
#include "core/link/ProgrammerLink.h"
#include "core/options/OptionRefresh.h"

#include <QTest>
#include <QTimer>

using namespace BoxProtocol;
using Bit = LinkErrorWord::Bit;

namespace {

struct CycleRig {
    explicit CycleRig(const QString& device) : ctx(op, TestPaths::ShippedData()), link(ctx), engine(ctx, link)
    {
        ctx.SetLink(&link);
        ctx.Support().versionText = QStringLiteral("280");
        ctx.Flags().AutoRunArmed = false;
        endpoint.box = &box;
        link.Factory().RegisterLoopback(QStringLiteral("box"), &endpoint);
        link.Port().SetPortResolver([](int) { return QStringLiteral("loop://box"); });
        link.Port().SetPauseInterval(1);
        link.Box().SetWatchdogInterval(500);
        engine.Install();
        ctx.Devices().Build(ctx);
        SelectDeviceByName(ctx, device);
        LoadDeviceProfile(ctx);
        // The options a fresh installation starts with (program, verify, erase all on).
        ctx.Options().SetFactoryValues();
        OptionsChanged(ctx);
        QString error;
        if (!ChipGeometry::Load(TestPaths::ShippedData() + QStringLiteral("PXMCU.TBL"), device, &geometry, &error))
            qFatal("%s", qPrintable(error));
        for (int s = 0; s < 4; ++s)
            box.InsertChip(s, std::make_unique<SimulatedChip>(geometry));
        link.ResetProgrammer();
        engine.Sockets().GangClick();
    }
    // Code, EE and ID contents the chips can hold.
    void FillImage()
    {
        MemoryImage& image = ctx.Image();
        const SimulatedChip& chip = *box.Chip(0);
        for (int i = 0; i < chip.RegionSize(RegCode); ++i)
            image.CodeBuffer()[size_t(i)] = quint16((i * 0x135 + 7) & chip.Width(RegCode));
        for (int i = 0; i < chip.RegionSize(RegEeData); ++i)
            image.EeBuffer()[size_t(i)] = quint16((i * 3 + 1) & 0xFF);
        for (int i = 0; i < chip.RegionSize(RegId); ++i)
            image.IdWords()[size_t(i)] = quint16((0x10 + i) & chip.Width(RegId));
        // Configuration words with every field at its erased (unprotected) setting.
        for (int w = 0; w < ctx.Profile().cfgWords; ++w)
            DecodeConfigWord(ctx, 0xFFFF, w);
    }
    // Cells of socket that differ from the image (code, EE, ID).
    int Mismatches(int socket)
    {
        const SimulatedChip& chip = *box.Chip(socket);
        MemoryImage& image = ctx.Image();
        int n = 0;
        for (int i = 0; i < chip.RegionSize(RegCode); ++i)
            n += chip.Raw(RegCode, i) != image.CodeBuffer()[size_t(i)];
        for (int i = 0; i < chip.RegionSize(RegEeData); ++i)
            n += chip.Raw(RegEeData, i) != image.EeBuffer()[size_t(i)];
        for (int i = 0; i < chip.RegionSize(RegId); ++i)
            n += chip.Raw(RegId, i) != (image.IdWords()[size_t(i)] & chip.Width(RegId));
        return n;
    }
    QStringList Lines() { return ctx.History().DisplayText(); }
    int Count(const QString& line)
    {
        int n = 0;
        for (const QString& l : Lines())
            n += l.trimmed() == line.trimmed();
        return n;
    }
    bool Logged(const QString& line) { return Count(line) > 0; }

    ScriptedOperator op;
    AppContext ctx;
    BoxSimulator box;
    RecordingEndpoint endpoint;
    ProgrammerLink link;
    Engine engine;
    ChipGeometry geometry;
};

} // namespace

class TestCycles : public QObject
{
    Q_OBJECT
private slots:
    void AutoRunProgramsEverySocket()
    {
        CycleRig rig(QStringLiteral("16F877A"));
        rig.FillImage();
        rig.engine.Cycles().AutoRun();
        QCOMPARE(rig.link.Errors().Word(), quint64(0));
        for (int s = 0; s < 4; ++s)
            QCOMPARE(rig.Mismatches(s), 0);
        QCOMPARE(rig.box.Chip(2)->Raw(RegConfig, 0), quint16(rig.ctx.Image().ConfigWords()[0] & 0x3FFF));
        QVERIFY(rig.Logged(QStringLiteral(" Program MCU Cycle #00000 - 4 Sockets")));
        QVERIFY(rig.Logged(QStringLiteral(" Program Code Memory:             OK")));
        QVERIFY(rig.Logged(QStringLiteral(" Serial Number into Code Memory:  Skipped")));
        QVERIFY(rig.Logged(QStringLiteral("4 Devices Passed, Total is now: 4")));
        QCOMPARE(rig.ctx.Window().StatusText(), QStringLiteral("Program MCU Cycle #00000 PASSED"));
        QCOMPARE(rig.engine.Counters().RunCountText(), QStringLiteral("00001"));
        QCOMPARE(rig.engine.Counters().PassText(), QStringLiteral("4"));
        QVERIFY(!rig.box.VddOn() && !rig.box.VppOn());
        QVERIFY(!rig.engine.Lock().Locked());

        // The next run is numbered from the counter; a blank check of the programmed parts fails
        // every socket at the first programmed location.
        rig.engine.Cycles().BlankCheck();
        QVERIFY(rig.ctx.Flags().TaskFailed);
        QCOMPARE(rig.Count(QStringLiteral("   Device B: ERROR @ 0x000000")), 1);
        QCOMPARE(rig.ctx.Window().StatusText(), QStringLiteral("Auto BLANK CHECK:  ERROR!"));
        QVERIFY(rig.link.Errors().Has(Bit::TaskFailed));

        // Read socket B back into a cleared image: the image holds the chip again.
        std::fill(rig.ctx.Image().CodeBuffer().begin(), rig.ctx.Image().CodeBuffer().end(), quint16(0));
        rig.ctx.Image().EeBuffer().fill(0);
        rig.engine.Cycles().ReadSocket(2);
        QVERIFY(rig.Logged(QStringLiteral(" Auto READ Cycle - Socket: B - 1 Sockets")));
        QCOMPARE(rig.Mismatches(1), 0);
        QCOMPARE(rig.engine.State().EnabledSockets, quint8(0x55));
        for (int s = 0; s < 4; ++s)
            QVERIFY(rig.engine.Sockets().Indicator(s).douse());
    }

    void FailuresStayWithTheirSocket_data()
    {
        QTest::addColumn<QString>("device");
        QTest::newRow("16F877A") << QStringLiteral("16F877A");
        QTest::newRow("18F452") << QStringLiteral("18F452");
    }
    void FailuresStayWithTheirSocket()
    {
        QFETCH(QString, device);
        CycleRig rig(device);
        rig.FillImage();
        rig.box.Chip(2)->SetBadCell(0x123, 0);
        rig.engine.Cycles().AutoRun();
        QCOMPARE(rig.Mismatches(0), 0);
        QCOMPARE(rig.Mismatches(1), 0);
        QCOMPARE(rig.Mismatches(3), 0);
        // The stuck cell is not blank after the erase, which names it as socket C's first failing
        // word; socket C is then left out of every later operation.
        QVERIFY2(rig.Logged(QStringLiteral("   Device C: ERROR @ 0x000123")), qPrintable(rig.Lines().join(u'\n')));
        QCOMPARE(rig.Count(QStringLiteral("   Device C: OK")), 0);
        QCOMPARE(rig.Count(QStringLiteral("   Device C: ERROR")), 1);
        QVERIFY(rig.Logged(QStringLiteral("3 Devices Passed, Total is now: 3")));
        QCOMPARE(rig.engine.Counters().FailText(), QStringLiteral("1"));
        QVERIFY(rig.link.Errors().Has(Bit::TaskFailed));
        QVERIFY(rig.engine.Sockets().Indicator(2).error());
        QVERIFY(!rig.engine.Sockets().Indicator(0).error());
    }

    void RunsThatCannotStartCountAsFailed()
    {
        CycleRig rig(QStringLiteral("16F877A"));
        rig.engine.Sockets().SetSockets(0, 3, false);
        rig.engine.Cycles().AutoRun();
        QVERIFY(rig.op.Captions().contains(QStringLiteral("Socket Not Selected")));
        QVERIFY(rig.link.Errors().Has(Bit::TaskFailed));
    }

    void EmptySocketFailsAlone()
    {
        CycleRig rig(QStringLiteral("12F675"));
        rig.FillImage();
        rig.box.RemoveChip(3);
        rig.engine.Cycles().AutoRun();
        QVERIFY(rig.Logged(QStringLiteral("3 Devices Passed, Total is now: 3")));
        QCOMPARE(rig.Mismatches(0), 0);
        QVERIFY(rig.engine.Sockets().Indicator(3).error());
    }

    void StopDuringProgramPowersDown()
    {
        CycleRig rig(QStringLiteral("16F877A"));
        rig.FillImage();
        // Stop once the code transfer is under way.
        bool stopped = false;
        QObject::connect(&rig.link.Progress(), &LinkProgress::Changed, &rig.link, [&] {
            if (!stopped && rig.link.Progress().Position() > 0 && rig.engine.State().CycleRunning) {
                stopped = true;
                rig.engine.Cycles().Stop();
            }
        });
        rig.engine.Cycles().AutoRun();
        QVERIFY(stopped);
        QVERIFY(rig.Logged(QStringLiteral(" User Aborted Task! ")));
        QVERIFY(rig.link.Errors().Has(Bit::UserAbort));
        QVERIFY(!rig.box.VddOn() && !rig.box.VppOn());
        QVERIFY(!rig.engine.Lock().Locked());
    }
};

QTEST_GUILESS_MAIN(TestCycles)
#include "TestCycles.moc"
