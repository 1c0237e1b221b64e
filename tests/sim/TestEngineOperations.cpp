// The engine against the in-process simulator: the voltage pre-test powers the target, each
// template operation runs alone through the operation runner, and the simulated chip's memory is
// compared with the image after every slot; a changed cell fails a verify or blank check at its
// location, a code-protected chip hides its contents, and calibration survives an erase when it
// is read first and written back.
#include "ChipGeometry.h"
#include "RecordingEndpoint.h"
#include "ScriptedOperator.h"
#include "SimEngineRig.h"
#include "TestPaths.h"
#include "core/app/Engine.h"
#include "core/context/AppContext.h"
#include "core/devices/DeviceProfileLoader.h"
#include "core/devices/DeviceSelection.h"
#include "core/link/BoxProtocol.h"
#include "core/link/ProgrammerLink.h"

#include <QTest>

using namespace BoxProtocol;
using Bit = LinkErrorWord::Bit;

namespace {

struct EngineRig : SimEngineRig<> {
    explicit EngineRig(const QString& device) : SimEngineRig(device, 1)
    {
        // As inside a cycle: the configuration slots send the image's words as they are, not
        // words composed afresh from the option fields.
        State().CycleRunning = true;
    }
    SimulatedChip& Chip() { return *box.Chip(0); }
    EngineState& State() { return engine.State(); }
    const DeviceProfile& Profile() { return ctx.Profile(); }
    MemoryImage& Image() { return ctx.Image(); }
    OperationRecord& Record(int slot) { return ctx.Templates().operations[size_t(slot)]; }
    bool Defined(int slot) { return Record(slot).scriptLength > 1 && Record(slot).present; }
    quint64 Errors() { return link.Errors().Word(); }
    bool Is18() { return Profile().core == CoreFamily::Core18X; }
    // One operation as the task engine runs it: power, the operation, its status reply.
    void Run(int slot)
    {
        QVERIFY2(Defined(slot), qPrintable(QStringLiteral("slot %1 undefined").arg(slot)));
        engine.PowerOnForOperation(Record(slot).powerMode);
        engine.RunOperation(slot);
        if (!ctx.Flags().StopRequested)
            link.Box().ReadResults(State().PassingSockets, State().SelectedSockets);
    }
    // The slot runs and passes.
    bool Passes(int slot)
    {
        Run(slot);
        return Errors() == 0 && (State().PassingSockets & SocketA);
    }
    // The slot fails socket A, and the status reply names location; the run starts afresh after.
    bool FailsAt(int slot, quint32 location)
    {
        Run(slot);
        const auto& reply = link.Box().StatusReply();
        const quint32 named = quint32(reply[0]) | quint32(reply[1]) << 8 | quint32(reply[2]) << 16;
        const bool failed = (Errors() & Bit::TaskFailed) && !(State().PassingSockets & SocketA);
        if (!failed || named != location)
            qWarning("slot %d: failed %d at 0x%X, expected 0x%X", slot, int(failed), named, location);
        engine.PowerOff();
        engine.ResetRunState();
        engine.Tasks().PrepareSocketsForRun();
        engine.VoltagePreTest();
        return failed && named == location && Errors() == 0;
    }
    // Slot 15 as the task engine runs it: on an 18X part with several words, once per word in
    // the programming order, with byte 10 naming the word and its mask in bytes 11-12.
    bool ProgramConfiguration()
    {
        if (!Is18() || Profile().cfgWords == 1)
            return Passes(15);
        for (int j = 0; j < Profile().cfgSeqCount; ++j) {
            const int w = Profile().cfgSeq[size_t(j)];
            quint8* pb = Record(15).parameterBlock.data();
            const quint16 mask = Image().ConfigMasks()[size_t(w)];
            pb[PbCount] = quint8(2 * w);
            pb[PbMaskLow] = quint8(mask);
            pb[PbMaskHigh] = quint8(mask >> 8);
            State().ChosenConfigWord = Image().ConfigWords()[size_t(w)];
            if (!Passes(15))
                return false;
        }
        return true;
    }

    // Cells of a chip region and their image counterparts.
    int Cells(Region r) { return r == RegConfig ? Profile().cfgWords : Chip().RegionSize(r); }
    quint16 CellMask(Region r, int i)
    {
        return r == RegConfig ? quint16(Chip().Geometry().fuseMask.value(i) | (i == 0 ? Profile().xcal1Mask : 0))
                              : Chip().Width(r);
    }
    quint16& ImageCell(Region r, int i)
    {
        switch (r) {
        case RegCode: return Image().CodeBuffer()[size_t(i)];
        case RegEeData: return Image().EeBuffer()[size_t(i)];
        case RegId: return Image().IdWords()[size_t(i)];
        case RegConfig: return Image().ConfigWords()[size_t(i)];
        case RegCalibration: return Image().Calibration(0).words[size_t(i)];
        default: return Image().Calibration(0).words[size_t(CalCount() + i)];
        }
    }
    int CalCount() { return Profile().bcal ? Profile().cal / 2 : Profile().cal; }
    // Cells where the chip and the image differ under the cell mask.
    int Mismatches(Region r)
    {
        int n = 0;
        for (int i = 0; i < Cells(r); ++i)
            n += ((Chip().Raw(r, i) ^ ImageCell(r, i)) & CellMask(r, i)) != 0;
        return n;
    }
    void FillImage(Region r, int seed)
    {
        for (int i = 0; i < Cells(r); ++i)
            ImageCell(r, i) = quint16((i * 0x1357 + seed) & CellMask(r, i));
    }
    void ClearImage(Region r)
    {
        for (int i = 0; i < Cells(r); ++i)
            ImageCell(r, i) = 0;
    }
    bool ChipBlank(Region r)
    {
        for (int i = 0; i < Cells(r); ++i)
            if (!Chip().IsBlank(r, i, CellMask(r, i)))
                return false;
        return true;
    }
    // The location the box reports for cell i of a region (docs/box-operations.md): the item's
    // address where the operation addresses one, else the item number.
    quint32 Location(Region r, int i)
    {
        const DeviceProfile& p = Profile();
        if (r == RegEeData && !Is18() && p.eeLoc)
            return quint32(p.eeLoc + i);
        if (r == RegId && !Is18() && p.idLoc != 0x2000)
            return quint32(p.idLoc + i);
        if (r == RegCalibration)
            return quint32(Chip().Geometry().CalibrationBase() + i);
        return quint32(i);
    }
    // A configuration value with some implemented bits cleared and no protection bit.
    quint16 UnprotectedConfig(int w)
    {
        const ChipGeometry& g = Chip().Geometry();
        const quint16 fuse = g.fuseMask.value(w);
        const quint16 protection = quint16(fuse & ~g.cpMask.value(w));
        const quint16 cleared = quint16((fuse & ~protection) & 0x0105);
        return quint16(0xFFFF & ~cleared);
    }
};

} // namespace

class TestEngineOperations : public QObject
{
    Q_OBJECT
private slots:
    void SlotsRunAloneMatchTheChip_data()
    {
        QTest::addColumn<QString>("device");
        QTest::newRow("16F877A") << QStringLiteral("16F877A");
        QTest::newRow("12F508 (5X, calibration with backup)") << QStringLiteral("12F508");
        QTest::newRow("12F675 (calibration and band-gap bits)") << QStringLiteral("12F675");
        QTest::newRow("18F452") << QStringLiteral("18F452");
    }
    void SlotsRunAloneMatchTheChip()
    {
        QFETCH(QString, device);
        EngineRig rig(device);
        SimulatedChip& chip = rig.Chip();
        rig.engine.VoltagePreTest();
        QCOMPARE(rig.Errors(), quint64(0));
        QVERIFY(rig.ctx.History().DisplayText().contains(QStringLiteral(" Pre-Test:                        OK")));
        const bool hasEe = rig.Profile().ee > 0;
        const bool hasCal = rig.Profile().cal > 0;
        const bool hasXcal = rig.Profile().hasExtraCalibration;
        const quint16 factoryCal = chip.FactoryCalibration();
        const quint16 factoryXcal = chip.FactoryXcalBits();

        // Calibration is read before the erase (the erase takes the whole device) and written
        // back after it.
        if (hasCal) {
            rig.ClearImage(RegCalibration);
            QVERIFY(rig.Passes(19));
            QCOMPARE(rig.Mismatches(RegCalibration), 0);
            QCOMPARE(rig.ImageCell(RegCalibration, 0), factoryCal);
            if (rig.Profile().bcal) {
                rig.ClearImage(RegCalibrationBackup);
                QVERIFY(rig.Passes(30));
                QCOMPARE(rig.Mismatches(RegCalibrationBackup), 0);
            }
            if (hasXcal) {
                QVERIFY(rig.Passes(22));
                QCOMPARE(quint16(rig.Image().Calibration(0).xcalValue & rig.Profile().xcal1Mask), factoryXcal);
                QVERIFY(rig.Passes(23));
                QCOMPARE(rig.Mismatches(RegCalibration), 0);
            }
        }

        // Erase, then every blank check passes; a programmed cell fails it at its location.
        QVERIFY(rig.Passes(0));
        for (Region r : {RegCode, RegEeData, RegId, RegConfig})
            QVERIFY2(rig.ChipBlank(r), qPrintable(QStringLiteral("region %1 not blank").arg(int(r))));
        QVERIFY(rig.Passes(1));
        if (rig.Defined(2))
            QVERIFY(rig.Passes(2));
        QVERIFY(rig.Passes(3));
        QVERIFY(rig.Passes(4));
        chip.SetRaw(RegCode, 5, 0);
        QVERIFY(rig.FailsAt(1, 5));
        chip.SetRaw(RegCode, 5, chip.Erased(RegCode, 5));
        if (hasEe && rig.Defined(2)) {
            chip.SetRaw(RegEeData, 2, 0);
            QVERIFY(rig.FailsAt(2, rig.Location(RegEeData, 2)));
        }
        chip.SetRaw(RegId, 1, 0);
        QVERIFY(rig.FailsAt(3, rig.Location(RegId, 1)));

        if (hasCal) {
            QCOMPARE(chip.Raw(RegCalibration, 0), chip.Erased(RegCalibration, 0));
            QVERIFY(rig.Passes(7));
            QVERIFY(rig.Passes(11));
            QCOMPARE(chip.Raw(RegCalibration, 0), factoryCal);
            if (rig.Profile().bcal) {
                QVERIFY(rig.Passes(31));
                QVERIFY(rig.Passes(32));
                QCOMPARE(chip.Raw(RegCalibrationBackup, 0), factoryCal);
            }
            if (hasXcal) {
                QVERIFY(rig.Passes(24));
                QVERIFY(rig.Passes(26));
                QCOMPARE(quint16(chip.Raw(RegConfig, 0) & rig.Profile().xcal1Mask), factoryXcal);
                QVERIFY(rig.Passes(25));
                QVERIFY(rig.Passes(27));
            }
            chip.SetRaw(RegCalibration, 0, quint16(factoryCal ^ 1));
            QVERIFY(rig.FailsAt(11, rig.Location(RegCalibration, 0)));
            chip.SetRaw(RegCalibration, 0, factoryCal);
        }

        // Program, verify and read back each region; a changed cell fails the verify at its
        // location.
        struct RegionSlots {
            Region region;
            int program, verify, read, changed;
        };
        const RegionSlots regions[] = {
            {RegCode, 5, 9, 17, 3},
            {RegEeData, 6, 10, 18, 7},
            {RegId, 8, 12, 20, rig.Is18() ? 6 : 2}, // 18X: the last ID bytes count as well
        };
        for (const RegionSlots& s : regions) {
            if (s.region == RegEeData && !hasEe)
                continue;
            const QString what = QStringLiteral("region %1").arg(int(s.region));
            rig.FillImage(s.region, 0xA5 + s.program);
            QVERIFY2(rig.Passes(s.program), qPrintable(what));
            QCOMPARE(rig.Mismatches(s.region), 0);
            QVERIFY2(rig.Passes(s.verify), qPrintable(what));
            rig.ClearImage(s.region);
            QVERIFY2(rig.Passes(s.read), qPrintable(what));
            QCOMPARE(rig.Mismatches(s.region), 0);
            chip.SetRaw(s.region, s.changed, quint16(chip.Raw(s.region, s.changed) ^ 1));
            QVERIFY2(rig.FailsAt(s.verify, rig.Location(s.region, s.changed)), qPrintable(what));
            chip.SetRaw(s.region, s.changed, quint16(chip.Raw(s.region, s.changed) ^ 1));
        }

        // The EE erase clears EE data alone.
        if (hasEe && rig.Defined(28)) {
            QVERIFY(rig.Passes(28));
            QVERIFY(rig.ChipBlank(RegEeData));
            QCOMPARE(rig.Mismatches(RegCode), 0);
        }

        // Configuration words (the calibration bits of word 0 as the chip keeps them).
        for (int w = 0; w < rig.Profile().cfgWords; ++w)
            rig.ImageCell(RegConfig, w) = rig.UnprotectedConfig(w);
        if (hasXcal)
            rig.ImageCell(RegConfig, 0) =
                quint16((rig.ImageCell(RegConfig, 0) & ~rig.Profile().xcal1Mask) | factoryXcal);
        QVERIFY(rig.ProgramConfiguration());
        QCOMPARE(rig.Mismatches(RegConfig), 0);
        QVERIFY(rig.Passes(16));
        const auto written = rig.Image().ConfigWords();
        rig.ClearImage(RegConfig);
        QVERIFY(rig.Passes(21));
        if (hasXcal) {
            // The read sets the calibration bits of word 0 in the image; the chip keeps its own.
            const quint16 xcal = rig.Profile().xcal1Mask;
            quint16& word0 = rig.ImageCell(RegConfig, 0);
            QCOMPARE(quint16(word0 & xcal), xcal);
            word0 = quint16((word0 & ~xcal) | (chip.Raw(RegConfig, 0) & xcal));
        }
        QCOMPARE(rig.Mismatches(RegConfig), 0);
        rig.Image().ConfigWords() = written;
        const int lastWord = rig.Profile().cfgWords - 1;
        chip.SetRaw(RegConfig, lastWord, quint16(chip.Raw(RegConfig, lastWord) ^ rig.CellMask(RegConfig, lastWord)));
        QVERIFY(rig.FailsAt(16, quint32(lastWord)));
        chip.SetRaw(RegConfig, lastWord, quint16(chip.Raw(RegConfig, lastWord) ^ rig.CellMask(RegConfig, lastWord)));

        // Code protection: program memory and EE read as 0 and fail their verify, the
        // configuration stays readable, and the erase lifts it.
        int cpWord = 0;
        while (cpWord < rig.Profile().cfgWords &&
               !(chip.Geometry().fuseMask.value(cpWord) & ~chip.Geometry().cpMask.value(cpWord)))
            ++cpWord;
        QVERIFY(cpWord < rig.Profile().cfgWords);
        rig.ImageCell(RegConfig, cpWord) &= chip.Geometry().cpMask.value(cpWord);
        QVERIFY(rig.ProgramConfiguration());
        QVERIFY(chip.CodeProtected());
        rig.FillImage(RegCode, 0xA5 + 5);
        QVERIFY(rig.FailsAt(9, 0));
        rig.Image().CodeBuffer()[0] = 0x1234;
        QVERIFY(rig.Passes(17));
        QCOMPARE(rig.Image().CodeBuffer()[0], quint16(0));
        const auto beforeRead = rig.Image().ConfigWords();
        QVERIFY(rig.Passes(21));
        QCOMPARE(quint16((rig.Image().ConfigWords()[size_t(cpWord)] ^ beforeRead[size_t(cpWord)]) &
                         chip.Geometry().fuseMask.value(cpWord)),
                 quint16(0));
        QVERIFY(rig.Passes(0));
        QVERIFY(!chip.CodeProtected());
        QVERIFY(rig.ChipBlank(RegCode));

        rig.engine.PowerOff();
        QCOMPARE(rig.Errors(), quint64(0));
        QVERIFY(!rig.box.VddOn());
        QVERIFY(!rig.box.VppOn());
    }

    // A one-time programmable part has no erase and its cells only go from 1 to 0: a second
    // program that needs a cleared bit set fails at that word and leaves it as it was.
    void OtpPartOnlyClearsBits()
    {
        EngineRig rig(QStringLiteral("12C508A"));
        rig.engine.VoltagePreTest();
        QVERIFY(!rig.Defined(0));
        rig.FillImage(RegCode, 0x0A5);
        QVERIFY(rig.Passes(5));
        QVERIFY(rig.Passes(9));
        QCOMPARE(rig.Mismatches(RegCode), 0);
        QVERIFY(rig.FailsAt(1, 0));
        const quint16 old = rig.Chip().Raw(RegCode, 4);
        const quint16 zeroBit = quint16(~old & 0x0FFF & -(~old & 0x0FFF));
        QVERIFY(zeroBit != 0);
        rig.ImageCell(RegCode, 4) = quint16(old | zeroBit);
        QVERIFY(rig.FailsAt(5, 4));
        QCOMPARE(rig.Chip().Raw(RegCode, 4), old);
    }
};

QTEST_GUILESS_MAIN(TestEngineOperations)
#include "TestEngineOperations.moc"
