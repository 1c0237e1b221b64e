// Runs operations of the shipped device templates on the box simulator, with the parameter-block
// changes the host's operation runner makes for their slots, and checks that the chip ends up as
// the operation meant: the templates and the simulator follow the same operation description.
#include "BoxHarness.h"
#include "ScriptedOperator.h"
#include "core/context/AppContext.h"
#include "core/devices/DeviceProfileLoader.h"
#include "core/devices/DeviceSelection.h"

#include <QTest>

using namespace BoxProtocol;

namespace {

struct Device {
    ScriptedOperator op;
    AppContext ctx{op, TestPaths::ShippedData()};
    explicit Device(const QString& name)
    {
        BuildDeviceList(ctx);
        SelectDeviceByName(ctx, name);
        LoadDeviceProfile(ctx);
    }
    // The slot's block as loaded, addressed to socket A.
    QByteArray Block(int slot)
    {
        const OperationRecord& rec = ctx.Templates().operations[size_t(slot)];
        QByteArray block(reinterpret_cast<const char*>(rec.parameterBlock.data()), OperationRecord::BlockSize);
        block[7] = char(SocketA);
        block[5] = 1;
        return block;
    }
    QByteArray Script(int slot)
    {
        const OperationRecord& rec = ctx.Templates().operations[size_t(slot)];
        return QByteArray(reinterpret_cast<const char*>(rec.script.data()), rec.scriptLength);
    }
    const DeviceProfile& Profile() { return ctx.Profile(); }
    // The block of a calibration slot as the runner sends it: byte 10 holds the CAL count (CAL,
    // halved when a backup copy doubles it).
    QByteArray CalibrationBlock(int slot)
    {
        QByteArray block = Block(slot);
        block[10] = char(Profile().bcal ? Profile().cal / 2 : Profile().cal);
        return block;
    }
};

void SetLocation(QByteArray& block, quint32 value)
{
    block[2] = char(value);
    block[3] = char(value >> 8);
    block[4] = char(value >> 16);
}

QByteArray WordBytes(const QVector<quint16>& words)
{
    QByteArray data;
    for (quint16 w : words)
        data.append(char(w & 0xFF)).append(char(w >> 8));
    return data;
}

} // namespace

class TestTemplateOperations : public QObject
{
    Q_OBJECT
private slots:
    void MidrangeEraseProgramVerifyReadCodeAndEe()
    {
        Device d(QStringLiteral("16F877A"));
        QVERIFY(d.op.boxes.isEmpty());
        BoxHarness h;
        h.Insert(0, QStringLiteral("16F877A"));
        h.Boot();
        h.box.Chip(0)->SetRaw(RegCode, 5, 0x0000);

        // Erase, then a long blank check of program memory (one 'k' per 256 words).
        h.Load(d.Block(0), d.Script(0));
        QCOMPARE(h.Send(BoxHarness::Frame(CmdExecute)), BoxHarness::Echo(CmdExecute) + 'd');
        QCOMPARE(quint8(h.Status()[12]), SocketA);
        QByteArray blank = d.Block(1);
        blank[10] = char(255);
        h.Load(blank, d.Script(1));
        QCOMPARE(h.Send(BoxHarness::Frame(CmdExecute)), BoxHarness::Echo(CmdExecute) + QByteArray(32, 'k') + 'd');
        QCOMPARE(quint8(h.Status()[12]), SocketA);

        const int rom = d.Profile().rom;
        QVector<quint16> code(rom);
        for (int i = 0; i < rom; ++i)
            code[i] = quint16((i * 37 + 11) & 0x3FFF);
        h.Load(d.Block(5), d.Script(5));
        h.ExecuteSending(code);
        QCOMPARE(quint8(h.Status()[12]), SocketA);
        QCOMPARE(h.box.Chip(0)->Raw(RegCode, rom - 1), code[rom - 1]);

        h.Load(d.Block(9), d.Script(9));
        h.ExecuteSending(code);
        QCOMPARE(quint8(h.Status()[12]), SocketA);
        h.box.Chip(0)->SetRaw(RegCode, 100, 0x0000);
        h.Load(d.Block(9), d.Script(9));
        h.ExecuteSending(code);
        const QByteArray failed = h.Status();
        QCOMPARE(quint8(failed[12]), quint8(0));
        QCOMPARE(BoxHarness::FailLocation(failed, 0), 100u);

        h.Load(d.Block(17), d.Script(17));
        const QByteArray read = h.ExecuteReading(2 * rom);
        code[100] = 0;
        QCOMPARE(read, WordBytes(code));

        // EE data: the host puts EELOC into the location and EE into the count.
        QVector<quint16> ee(d.Profile().ee);
        for (int i = 0; i < ee.size(); ++i)
            ee[i] = quint16(0xFF - i);
        for (int slot : {6, 18}) {
            QByteArray block = d.Block(slot);
            SetLocation(block, quint32(d.Profile().eeLoc));
            block[10] = char(d.Profile().ee);
            h.Load(block, d.Script(slot));
            if (slot == 6) {
                h.ExecuteSending(ee);
                QCOMPARE(quint8(h.Status()[12]), SocketA);
            } else {
                QCOMPARE(h.ExecuteReading(2 * ee.size()), WordBytes(ee));
            }
        }
    }

    // Parts whose OSCCAL is the last word of their program memory: the code slots cover ROM and
    // leave it alone, the calibration slots (ending at CALOFFST - 1, or at ROM for the XCAL
    // slots) reach it, and the whole-device erase clears it until it is written back.
    void OscillatorCalibrationAtTheTopOfProgramMemory_data()
    {
        QTest::addColumn<QString>("device");
        QTest::addColumn<int>("osccal");
        QTest::addColumn<QList<int>>("readSlots"); // calibration reads
        QTest::newRow("12F675") << QStringLiteral("12F675") << 0x3FF << QList<int>{19, 23};
        QTest::newRow("12F508") << QStringLiteral("12F508") << 0x1FF << QList<int>{19};
        QTest::newRow("10F200") << QStringLiteral("10F200") << 0x0FF << QList<int>{19};
    }
    void OscillatorCalibrationAtTheTopOfProgramMemory()
    {
        QFETCH(QString, device);
        QFETCH(int, osccal);
        QFETCH(QList<int>, readSlots);
        Device d(device);
        QVERIFY(d.op.boxes.isEmpty());
        const DeviceProfile& p = d.Profile();
        QCOMPARE(p.rom, osccal);
        BoxHarness h;
        h.Insert(0, device);
        h.Boot();
        SimulatedChip& chip = *h.box.Chip(0);
        const quint16 factory = chip.FactoryCalibration();
        QCOMPARE(chip.ProgramWord(osccal), factory);
        const quint16 width = p.core == CoreFamily::CoreXX ? 0x3FFF : 0x0FFF;
        const QByteArray factoryBytes = QByteArray(1, char(factory & 0xFF)) + char(factory >> 8);

        // Program and verify every code word with 0: all ROM words pass and OSCCAL keeps its value.
        const QVector<quint16> code(p.rom, 0x0000);
        for (int slot : {5, 9}) {
            h.Load(d.Block(slot), d.Script(slot));
            h.ExecuteSending(code);
            QCOMPARE(quint8(h.Status()[12]), SocketA);
        }
        QCOMPARE(chip.Raw(RegCode, p.rom - 1), quint16(0));
        QCOMPARE(chip.ProgramWord(osccal), factory);
        h.Load(d.Block(17), d.Script(17));
        QCOMPARE(h.ExecuteReading(2 * p.rom), QByteArray(2 * p.rom, '\0'));

        for (int slot : readSlots) {
            h.Load(d.CalibrationBlock(slot), d.Script(slot));
            QVERIFY2(h.ExecuteReading(2) == factoryBytes, qPrintable(QString::number(slot)));
            QCOMPARE(quint8(h.Status()[12]), SocketA);
        }
        if (p.bcal) {
            h.Load(d.CalibrationBlock(30), d.Script(30));
            QCOMPARE(h.ExecuteReading(2), factoryBytes);
            QCOMPARE(quint8(h.Status()[12]), SocketA);
        }

        // The whole-device erase takes OSCCAL with it; the calibration slots put it back.
        h.Load(d.Block(0), d.Script(0));
        h.Send(BoxHarness::Frame(CmdExecute));
        QCOMPARE(quint8(h.Status()[12]), SocketA);
        QCOMPARE(chip.ProgramWord(osccal), width);
        h.Load(d.CalibrationBlock(7), d.Script(7));
        h.ExecuteSending({factory});
        QCOMPARE(quint8(h.Status()[12]), SocketA);
        h.Load(d.CalibrationBlock(11), d.Script(11));
        h.ExecuteSending({factory});
        QCOMPARE(quint8(h.Status()[12]), SocketA);
        QCOMPARE(chip.ProgramWord(osccal), factory);
        QCOMPARE(chip.Raw(RegCode, p.rom - 1), width);
    }

    void Pic18ProgramsCodeAndVerifiesEeBytes()
    {
        Device d(QStringLiteral("18F252"));
        QVERIFY(d.op.boxes.isEmpty());
        BoxHarness h;
        h.Insert(0, QStringLiteral("18F252"));
        h.Boot();
        h.Load(d.Block(0), d.Script(0));
        QCOMPARE(h.Send(BoxHarness::Frame(CmdExecute)), BoxHarness::Echo(CmdExecute) + 'd');

        // Program memory: the host counts write blocks of PAW words, k - 1 in the location.
        const DeviceProfile& p = d.Profile();
        const int n = p.rom;
        const int k = p.paw < 4 ? n / 4 : n / (p.paw / 4);
        QVector<quint16> code(n);
        for (int i = 0; i < n; ++i)
            code[i] = quint16(i * 2654435761u >> 16);
        QByteArray block = d.Block(5);
        SetLocation(block, quint32(k - 1));
        block[13] = char(2 * p.paw);
        h.Load(block, d.Script(5));
        h.ExecuteSending(code);
        QCOMPARE(quint8(h.Status()[12]), SocketA);
        h.Load(d.Block(9), d.Script(9));
        h.ExecuteSending(code);
        QCOMPARE(quint8(h.Status()[12]), SocketA);

        // EE data as bytes (flag 0x08): program as words of their low bytes, verify as bytes.
        QVector<quint16> ee(p.ee);
        QByteArray eeBytes;
        for (int i = 0; i < ee.size(); ++i) {
            ee[i] = quint16((i * 3) & 0xFF);
            eeBytes.append(char(ee[i]));
        }
        h.Load(d.Block(6), d.Script(6));
        h.ExecuteSending(ee);
        QCOMPARE(quint8(h.Status()[12]), SocketA);
        QByteArray verify = d.Block(10);
        SetLocation(verify, quint32((ee.size() - 1) / 2));
        h.Load(verify, d.Script(10));
        h.ExecuteSendingBytes(eeBytes);
        QCOMPARE(quint8(h.Status()[12]), SocketA);
    }
};

QTEST_GUILESS_MAIN(TestTemplateOperations)
#include "TestTemplateOperations.moc"
