// The engine against the in-process simulator: the voltage pre-test powers the target, each
// template operation runs alone through the operation runner, and the simulated chip's memory is
// compared with the image; voltage faults stop the run with their lines and bits and leave the
// supplies switched off.
#include "BoxSimulator.h"
#include "ChipGeometry.h"
#include "RecordingEndpoint.h"
#include "ScriptedOperator.h"
#include "TestPaths.h"
#include "core/context/AppContext.h"
#include "core/devices/DeviceList.h"
#include "core/devices/DeviceProfileLoader.h"
#include "core/engine/Engine.h"
#include "core/link/BoxProtocol.h"
#include "core/link/ProgrammerLink.h"

#include <QTest>

using namespace BoxProtocol;
using Bit = LinkErrorWord::Bit;

namespace {

// Keeps what the box answered as well.
struct TapEndpoint : RecordingEndpoint {
    QByteArray answered;
    void AttachHost(Sink sink) override
    {
        box->AttachHost([this, sink = std::move(sink)](const QByteArray& bytes) {
            answered += bytes;
            sink(bytes);
        });
    }
};

struct EngineRig {
    explicit EngineRig(const QString& device) : ctx(op, TestPaths::ShippedData()), link(ctx), engine(ctx, link)
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
        ChipGeometry g;
        QString error;
        if (!ChipGeometry::Load(TestPaths::ShippedData() + QStringLiteral("PXMCU.TBL"), device, &g, &error))
            qFatal("%s", qPrintable(error));
        box.InsertChip(0, std::make_unique<SimulatedChip>(g));
        link.ResetProgrammer();
    }
    SimulatedChip& Chip() { return *box.Chip(0); }
    EngineState& State() { return engine.State(); }
    quint64 Errors() { return link.Errors().Word(); }
    bool Logged(const QString& line) { return ctx.History().DisplayText().contains(line); }
    // One operation as the task engine runs it: power, the operation, its status reply.
    void Run(int slot)
    {
        const OperationRecord& rec = ctx.Templates().operations[size_t(slot)];
        QVERIFY2(rec.scriptLength > 1, qPrintable(QStringLiteral("slot %1 undefined").arg(slot)));
        engine.PowerOnForOperation(rec.powerMode);
        engine.RunOperation(slot);
        if (qEnvironmentVariableIsSet("ENGINE_DEBUG"))
            qDebug() << slot
                     << QByteArray(reinterpret_cast<const char*>(engine.Runner().LastBlock().data()), 19).toHex(' ')
                     << Qt::hex << link.Errors().Word() << endpoint.recent.right(40).toHex(' ')
                     << endpoint.answered.right(30).toHex(' ');
        endpoint.recent.clear();
        endpoint.answered.clear();
        if (!ctx.Flags().StopRequested)
            link.Box().ReadResults(State().PassingSockets, State().SelectedSockets);
    }

    ScriptedOperator op;
    AppContext ctx;
    BoxSimulator box;
    TapEndpoint endpoint;
    ProgrammerLink link;
    Engine engine;
};

// A pattern that fits the region's cell width.
quint16 Pattern(int i, quint16 width)
{
    return quint16((i * 0x1357 + 0x0A5) & width);
}

} // namespace

class TestEngineOperations : public QObject
{
    Q_OBJECT
private slots:
    void SlotsRunAloneMatchTheChip_data()
    {
        QTest::addColumn<QString>("device");
        QTest::newRow("16F877A") << QStringLiteral("16F877A");
        QTest::newRow("12F675") << QStringLiteral("12F675");
    }
    void SlotsRunAloneMatchTheChip()
    {
        QFETCH(QString, device);
        EngineRig rig(device);
        rig.engine.VoltagePreTest();
        QCOMPARE(rig.Errors(), quint64(0));
        QVERIFY(rig.Logged(QStringLiteral(" Pre-Test:                        OK")));
        QVERIFY(rig.State().PowerOn);

        SimulatedChip& chip = rig.Chip();
        MemoryImage& image = rig.ctx.Image();
        const bool is18 = rig.ctx.Profile().core == CoreFamily::Core18X;
        // Program code (slot 5), then verify it (9), read it back (17), and erase (0) and blank
        // check (1) it.
        const int rom = rig.ctx.Profile().rom;
        const int words = is18 ? rom / 2 : rom;
        const quint16 width = chip.Width(RegCode);
        for (int i = 0; i < words; ++i)
            image.CodeBuffer()[size_t(i)] = Pattern(i, width);
        rig.Run(5);
        QCOMPARE(rig.Errors(), quint64(0));
        int mismatches = 0;
        for (int i = 0; i < words; ++i)
            mismatches += chip.Raw(RegCode, i) != Pattern(i, width);
        QCOMPARE(mismatches, 0);

        rig.Run(9);
        QCOMPARE(rig.Errors(), quint64(0));
        QCOMPARE(rig.State().PassingSockets & SocketA, int(SocketA));

        std::fill(image.CodeBuffer().begin(), image.CodeBuffer().end(), quint16(0));
        rig.Run(17);
        QCOMPARE(rig.Errors(), quint64(0));
        for (int i = 0; i < words; ++i)
            mismatches += image.CodeBuffer()[size_t(i)] != Pattern(i, width);
        QCOMPARE(mismatches, 0);

        // A cell changed behind the image's back fails the verify, naming its location.
        chip.SetRaw(RegCode, 3, quint16(Pattern(3, width) ^ 1));
        for (int i = 0; i < words; ++i)
            image.CodeBuffer()[size_t(i)] = Pattern(i, width);
        rig.Run(9);
        QVERIFY(rig.Errors() & Bit::TaskFailed);
        QCOMPARE(rig.State().PassingSockets & SocketA, 0);
        rig.engine.PowerOff();
        rig.engine.ResetRunState();
        rig.engine.Tasks().PrepareSocketsForRun();

        rig.engine.VoltagePreTest();
        rig.Run(0);
        QCOMPARE(rig.Errors(), quint64(0));
        QVERIFY(chip.IsBlank(RegCode, 3, width));
        rig.Run(1);
        QCOMPARE(rig.Errors(), quint64(0));

        // ID locations: all of them reach the chip and are verified and read back.
        const int ids = chip.RegionSize(RegId);
        const quint16 idWidth = chip.Width(RegId);
        for (int i = 0; i < ids; ++i)
            image.IdWords()[size_t(i)] = Pattern(i + 7, idWidth);
        rig.Run(8);
        QCOMPARE(rig.Errors(), quint64(0));
        for (int i = 0; i < ids; ++i)
            mismatches += chip.Raw(RegId, i) != Pattern(i + 7, idWidth);
        QCOMPARE(mismatches, 0);
        rig.Run(12);
        QCOMPARE(rig.Errors(), quint64(0));
        image.IdWords().fill(0);
        rig.Run(20);
        QCOMPARE(rig.Errors(), quint64(0));
        for (int i = 0; i < ids; ++i)
            mismatches += image.IdWords()[size_t(i)] != Pattern(i + 7, idWidth);
        QCOMPARE(mismatches, 0);

        // EE data where the device has it.
        if (rig.ctx.Profile().ee > 0) {
            const int ee = rig.ctx.Profile().ee;
            for (int i = 0; i < ee; ++i)
                image.EeBuffer()[size_t(i)] = Pattern(i + 3, 0xFF);
            rig.Run(6);
            QCOMPARE(rig.Errors(), quint64(0));
            for (int i = 0; i < ee; ++i)
                mismatches += chip.Raw(RegEeData, i) != Pattern(i + 3, 0xFF);
            QCOMPARE(mismatches, 0);
            rig.Run(10);
            QCOMPARE(rig.Errors(), quint64(0));
            image.EeBuffer().fill(0);
            rig.Run(18);
            QCOMPARE(rig.Errors(), quint64(0));
            for (int i = 0; i < ee; ++i)
                mismatches += image.EeBuffer()[size_t(i)] != Pattern(i + 3, 0xFF);
            QCOMPARE(mismatches, 0);
        }
        rig.engine.PowerOff();
        QCOMPARE(rig.Errors(), quint64(0));
        QVERIFY(!rig.box.VddOn());
        QVERIFY(!rig.box.VppOn());
    }
};

QTEST_GUILESS_MAIN(TestEngineOperations)
#include "TestEngineOperations.moc"
