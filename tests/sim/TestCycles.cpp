// The cycle commands against the in-process simulator with four chips, as an operator uses them:
// Auto Run programs every socket and the chips hold the image; a bad cell fails its socket alone;
// a blank check of programmed parts, an empty socket, a run without sockets and Stop each give
// their result; a read brings a chip's contents back into the image, and a file saved from it
// holds what the original file held; code protection asks first and hides a protected part.
#include "ChipGeometry.h"
#include "RecordingEndpoint.h"
#include "ScriptedOperator.h"
#include "SimEngineRig.h"
#include "TestPaths.h"
#include "core/app/Engine.h"
#include "core/context/AppContext.h"
#include "core/devices/DeviceProfileLoader.h"
#include "core/devices/DeviceSelection.h"
#include "core/image/ConfigurationWords.h"
#include "core/image/HexFileWriter.h"
#include "core/image/HexRecordParser.h"
#include "core/link/BoxProtocol.h"
#include "core/link/ProgrammerLink.h"
#include "core/options/OptionRefresh.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace BoxProtocol;
using Bit = LinkErrorWord::Bit;

namespace {

struct CycleRig : SimEngineRig<> {
    // Four chips, the options a fresh installation starts with (program, verify and erase all
    // on) and every socket switched on.
    explicit CycleRig(const QString& device)
        : SimEngineRig(device, 4, [](AppContext& c) {
              c.Options().SetFactoryValues();
              OptionsChanged(c);
          })
    {
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
};

// The bytes a HEX file holds, by byte address.
std::map<quint64, quint8> HexMemory(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const HexFileContent content = ParseHexRecords(file.readAll());
    std::map<quint64, quint8> memory;
    for (const HexDataRecord& record : content.records) {
        const auto data = content.Data(record);
        for (quint32 i = 0; i < record.count; ++i)
            memory[record.address + i] = data[i];
    }
    return memory;
}

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

    // A file saved from the image, programmed into the chips, read back from one socket and saved
    // again holds the same memory.
    void ReadBackSavesTheSameFile_data()
    {
        QTest::addColumn<QString>("device");
        QTest::newRow("18F452") << QStringLiteral("18F452");
        QTest::newRow("12F675 (calibration word)") << QStringLiteral("12F675");
    }
    void ReadBackSavesTheSameFile()
    {
        QFETCH(QString, device);
        CycleRig rig(device);
        rig.FillImage();
        QTemporaryDir dir;
        const QString original = dir.filePath(QStringLiteral("original.hex"));
        const QString readBack = dir.filePath(QStringLiteral("readback.hex"));
        QString error;
        QVERIFY2(WriteHexFile(rig.ctx, original, &error), qPrintable(error));
        rig.engine.Cycles().AutoRun();
        QCOMPARE(rig.link.Errors().Word(), quint64(0));
        std::fill(rig.ctx.Image().CodeBuffer().begin(), rig.ctx.Image().CodeBuffer().end(), quint16(0));
        rig.ctx.Image().EeBuffer().fill(0);
        rig.ctx.Image().IdWords().fill(0);
        rig.engine.Cycles().ReadSocket(4);
        QCOMPARE(rig.link.Errors().Word(), quint64(0));
        QVERIFY2(WriteHexFile(rig.ctx, readBack, &error), qPrintable(error));
        const auto before = HexMemory(original);
        const auto after = HexMemory(readBack);
        QVERIFY(before.size() > 1000);
        QStringList differences;
        for (const auto& [address, byte] : before)
            if (!after.count(address) || after.at(address) != byte)
                differences << QStringLiteral("%1").arg(address, 0, 16);
        QVERIFY2(differences.isEmpty() && after.size() == before.size(),
                 qPrintable(QString::number(after.size()) + u' ' + differences.mid(0, 20).join(u',')));
    }

    // Configuration words that protect the code: Yes programs protected parts (a later verify
    // cannot read them back), No programs them unprotected, Cancel programs nothing and the run
    // counts as failed.
    void CodeProtectionWarning_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("programmed");
        QTest::addColumn<bool>("isProtected");
        QTest::newRow("Yes") << int(YesButton) << true << true;
        QTest::newRow("No") << int(NoButtonAnswer) << true << false;
        QTest::newRow("Cancel") << int(CancelButton) << false << false;
    }
    void CodeProtectionWarning()
    {
        QFETCH(int, answer);
        QFETCH(bool, programmed);
        QFETCH(bool, isProtected);
        CycleRig rig(QStringLiteral("16F877A"));
        rig.FillImage();
        const ConfigWord& word = rig.ctx.Profile().words[0];
        DecodeConfigWord(rig.ctx, quint16(0xFFFF & ~(word.implementedMask & ~word.protectMask)), 0);
        rig.op.QueueAnswer(BoxButton(answer));
        rig.engine.Cycles().AutoRun();
        QVERIFY(rig.op.Captions().contains(QStringLiteral("Code Protection Warning")));
        QCOMPARE(rig.link.Errors().Has(Bit::TaskFailed), !programmed);
        for (int s = 0; s < 4; ++s) {
            QCOMPARE(rig.box.Chip(s)->CodeProtected(), isProtected);
            QCOMPARE(rig.box.Chip(s)->IsBlank(RegCode, 1, 0x3FFF), !programmed);
        }
        if (!isProtected)
            return;
        // A protected part reads as zeros: the verify fails every socket at the first word (the
        // verify ends with the per-socket results).
        rig.link.Errors().ClearError(0);
        rig.engine.Cycles().Verify();
        QVERIFY(rig.link.Errors().Has(Bit::TaskFailed));
        for (const char* socket : {"A", "B", "C", "D"})
            QCOMPARE(rig.Count(QStringLiteral("   Device %1: ERROR @ 0x000000").arg(QLatin1String(socket))), 1);
        // Only an Auto Run counts devices.
        QCOMPARE(rig.engine.Counters().FailText(), QStringLiteral("0"));
    }

    // A device programmed in parallel takes socket A alone when it is loaded, with the notice;
    // the workstation store keeps what was left on, so the next device starts on socket A too.
    void ParallelDeviceLoadsOnSocketA()
    {
        CycleRig rig(QStringLiteral("16F877A"));
        QCOMPARE(rig.engine.Sockets().InUseCount(), 4);
        SelectDeviceByName(rig.ctx, QStringLiteral("16C57"));
        LoadDeviceProfile(rig.ctx);
        QVERIFY(!rig.ctx.Profile().serial);
        QCOMPARE(rig.op.Captions().count(QStringLiteral("Socket Selection Notice")), 1);
        QCOMPARE(rig.engine.State().EnabledSockets, quint8(SocketA));
        for (int s = 0; s < 4; ++s)
            QCOMPARE(rig.ctx.Workstation().SocketInUse(s), s == 0);
        SelectDeviceByName(rig.ctx, QStringLiteral("16F877A"));
        LoadDeviceProfile(rig.ctx);
        QCOMPARE(rig.op.Captions().count(QStringLiteral("Socket Selection Notice")), 1);
        QCOMPARE(rig.engine.Sockets().InUseCount(), 1);
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
