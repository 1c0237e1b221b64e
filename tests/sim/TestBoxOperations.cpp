// Operations on simulated chips, driven through the box's wire protocol.

#include "BoxHarness.h"
#include "MemoryDump.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace BoxProtocol;

namespace {
const QByteArray ScriptXX = QByteArray::fromHex("140208");
const QByteArray Script5X = QByteArray::fromHex("050208");
const QByteArray Script18X = QByteArray::fromHex("180D0F");
constexpr quint8 AllFour = SocketA | SocketB | SocketC | SocketD;
} // namespace

class TestBoxOperations : public QObject
{
    Q_OBJECT

private slots:
    void programVerifyReadCodeOnFourSockets()
    {
        BoxHarness h;
        for (int s = 0; s < 4; ++s)
            h.Insert(s, QStringLiteral("16F877A"));
        h.Boot();
        const QVector<quint16> words{0x3FFF, 0x015C, 0x2805, 0x0000};
        h.Load(BoxHarness::Block(OperationCode(ActProgram, RegCode), 3, AllFour, CountLastIndex, UnitWord, 0x3FFF),
               ScriptXX);
        // FF 3F 5C 5C 01 05 28 00 00: one '8' per byte (the doubled 0x5C costs two), 'd' after the last.
        QCOMPARE(h.ExecuteSending(words), QByteArray(9, '8') + 'd');
        QCOMPARE(h.Status(), QByteArray(12, '\0') + char(AllFour) + '\0');
        for (int s = 0; s < 4; ++s)
            QCOMPARE(h.box.Chip(s)->Raw(RegCode, 2), quint16(0x2805));

        // Verify with one word different in socket C only.
        h.box.Chip(2)->SetRaw(RegCode, 1, 0x0000);
        h.Load(BoxHarness::Block(OperationCode(ActVerify, RegCode), 3, AllFour, CountLastIndex, UnitWord, 0x3FFF),
               ScriptXX);
        QCOMPARE(h.ExecuteSending(words), QByteArray(9, '8') + 'd');
        const QByteArray status = h.Status();
        QCOMPARE(quint8(status[12]), quint8(SocketA | SocketB | SocketD));
        QCOMPARE(BoxHarness::FailLocation(status, 2), quint32(1));
        // Reading the status again reports the same; the next operation starts afresh.
        QCOMPARE(h.Status(), status);

        // Read two words from socket A: 'r' 'r' per word, 'd' after the last request.
        h.Load(BoxHarness::Block(OperationCode(ActRead, RegCode), 1, SocketA), ScriptXX);
        QCOMPARE(h.ExecuteReading(4), QByteArray::fromHex("FF3F5C01"));
        QCOMPARE(quint8(h.Status()[12]), quint8(SocketA));
    }

    void blankCheckReportsTheFirstFailingLocationAndProgress()
    {
        BoxHarness h;
        h.Insert(0, QStringLiteral("16F877A"));
        h.Insert(1, QStringLiteral("16F877A"));
        h.Boot();
        h.box.Chip(1)->SetRaw(RegCode, 0x1234, 0x0000);
        // A long blank check of 8192 words: one 'k' per 256 words, then 'd'.
        h.Load(BoxHarness::Block(OperationCode(ActBlankCheck, RegCode), 8191, SocketA | SocketB, CountLastIndex,
                                 UnitWord, 0x3FFF, 255, FlagWriteAll | FlagLongOperation),
               ScriptXX);
        QCOMPARE(h.Send(BoxHarness::Frame(CmdExecute)), BoxHarness::Echo(CmdExecute) + QByteArray(32, 'k') + 'd');
        const QByteArray status = h.Status();
        QCOMPARE(quint8(status[12]), quint8(SocketA));
        QCOMPARE(BoxHarness::FailLocation(status, 1), quint32(0x1234));
        // An empty socket that is addressed fails at 0; so does a chip of another family.
        h.Load(BoxHarness::Block(OperationCode(ActBlankCheck, RegId), 3, SocketA | SocketC), Script5X);
        QCOMPARE(h.Send(BoxHarness::Frame(CmdExecute)), BoxHarness::Echo(CmdExecute) + 'd');
        QCOMPARE(quint8(h.Status()[12]), quint8(0));
    }

    void eeDataAtItsLocationAndSkipBlank()
    {
        BoxHarness h;
        h.Insert(0, QStringLiteral("16F877A"));
        h.Boot();
        // EE data of a 14-bit part, located at 0x2100 with 256 bytes (byte 10 = 0), sent as words.
        QVector<quint16> ee(256);
        for (int i = 0; i < 256; ++i)
            ee[i] = quint16(i);
        h.Load(BoxHarness::Block(OperationCode(ActProgram, RegEeData), 0x2100, SocketA, CountAtAddress, UnitWord,
                                 0x00FF, 0),
               ScriptXX);
        const QByteArray answer = h.ExecuteSending(ee);
        QCOMPARE(answer.back(), 'd');
        QCOMPARE(h.box.Chip(0)->Raw(RegEeData, 0x5C), quint16(0x5C));
        QCOMPARE(quint8(h.Status()[12]), quint8(SocketA));
        // Skip-blank (flag 0x40 clear): erased values are not written, so an old word stays.
        h.box.Chip(0)->SetRaw(RegCode, 1, 0x1111);
        h.Load(
            BoxHarness::Block(OperationCode(ActProgram, RegCode), 1, SocketA, CountLastIndex, UnitWord, 0x3FFF, 0, 0),
            ScriptXX);
        h.ExecuteSending({0x2000, 0x3FFF});
        QCOMPARE(h.box.Chip(0)->Raw(RegCode, 1), quint16(0x1111));
        QCOMPARE(quint8(h.Status()[12]), quint8(SocketA));
    }

    void codeProtectionHidesProgramMemory()
    {
        BoxHarness h;
        h.Insert(0, QStringLiteral("16F877A"));
        h.Boot();
        h.box.Chip(0)->SetRaw(RegCode, 0, 0x2805);
        // Configuration word with CP on (bit 13 clear): one word, mask from the parameter block.
        h.Load(
            BoxHarness::Block(OperationCode(ActProgram, RegConfig), 0, SocketA, CountLastIndex, UnitConfigWord, 0x2FCF),
            ScriptXX);
        QCOMPARE(h.ExecuteSending({0x1FFF}), QByteArray("88d"));
        QVERIFY(h.box.Chip(0)->CodeProtected());
        h.Load(BoxHarness::Block(OperationCode(ActRead, RegCode), 0, SocketA), ScriptXX);
        QCOMPARE(h.ExecuteReading(2), QByteArray::fromHex("0000"));
        h.Load(BoxHarness::Block(OperationCode(ActVerify, RegCode), 0, SocketA, CountLastIndex, UnitWord, 0x3FFF),
               ScriptXX);
        h.ExecuteSending({0x2805});
        QCOMPARE(quint8(h.Status()[12]), quint8(0));
        // The configuration word itself stays readable; erasing program memory lifts protection.
        h.Load(BoxHarness::Block(OperationCode(ActErase, RegCode), 0, SocketA), ScriptXX);
        QCOMPARE(h.Send(BoxHarness::Frame(CmdExecute)), BoxHarness::Echo(CmdExecute) + 'd');
        QVERIFY(!h.box.Chip(0)->CodeProtected());
        QCOMPARE(h.box.Chip(0)->Read(RegCode, 0), quint16(0x3FFF));
    }

    void calibrationSurvivesACodeEraseButNotADeviceErase()
    {
        BoxHarness h;
        h.Insert(0, QStringLiteral("12F675"));
        h.Boot();
        SimulatedChip& chip = *h.box.Chip(0);
        // ROM 1023: the RETLW at 0x3FF, the last word of the part, is a cell of the program array
        // above the code region.
        QCOMPARE(chip.RegionSize(RegCode), 1023);
        QCOMPARE(chip.ProgramArrayWords(), 1024);
        QCOMPARE(chip.ProgramWord(0x3FF), quint16(0x3480));
        QCOMPARE(chip.Raw(RegCalibration, 0), quint16(0x3480));
        QCOMPARE(chip.Raw(RegConfig, 0) & 0x3000, 0x2000); // band-gap bits
        chip.SetRaw(RegCode, 5, 0x0123);
        h.Load(BoxHarness::Block(OperationCode(ActErase, RegCode), 0, SocketA), ScriptXX);
        h.Send(BoxHarness::Frame(CmdExecute));
        QCOMPARE(quint8(h.Status()[12]), quint8(SocketA));
        QCOMPARE(chip.Raw(RegCode, 5), quint16(0x3FFF));
        QCOMPARE(chip.ProgramWord(0x3FF), quint16(0x3480));
        QCOMPARE(chip.Raw(RegConfig, 0) & 0x3000, 0x2000);
        // A blank check of all ROM words passes: the programmed OSCCAL word is not one of them.
        h.Load(BoxHarness::Block(OperationCode(ActBlankCheck, RegCode), 1022, SocketA), ScriptXX);
        h.Send(BoxHarness::Frame(CmdExecute));
        QCOMPARE(quint8(h.Status()[12]), quint8(SocketA));
        // Code operations stop at ROM: a write one word past it fails there and leaves OSCCAL.
        h.Load(BoxHarness::Block(OperationCode(ActProgram, RegCode), 1023, SocketA, CountLastIndex, UnitWord, 0x3FFF),
               ScriptXX);
        h.ExecuteSending(QVector<quint16>(1024, 0x0000));
        const QByteArray past = h.Status();
        QCOMPARE(quint8(past[12]), quint8(0));
        QCOMPARE(BoxHarness::FailLocation(past, 0), quint32(1023));
        QCOMPARE(chip.Raw(RegCode, 1022), quint16(0x0000));
        QCOMPARE(chip.ProgramWord(0x3FF), quint16(0x3480));
        // Read the calibration word: it ends at 0x3FF (bytes 2-4), CAL count 1 (byte 10).
        h.Load(BoxHarness::Block(OperationCode(ActRead, RegCalibration), 0x3FF, SocketA, CountEndingAt, UnitWord, 0, 1),
               ScriptXX);
        QCOMPARE(h.ExecuteReading(2), QByteArray::fromHex("8034"));
        h.Load(BoxHarness::Block(OperationCode(ActErase, RegDevice), 0, SocketA), ScriptXX);
        h.Send(BoxHarness::Frame(CmdExecute));
        QCOMPARE(chip.ProgramWord(0x3FF), quint16(0x3FFF));
        // Writing it back.
        h.Load(BoxHarness::Block(OperationCode(ActProgram, RegCalibration), 0x3FF, SocketA, CountEndingAt, UnitWord,
                                 0x3FFF, 1),
               ScriptXX);
        QCOMPARE(h.ExecuteSending({0x3480}), QByteArray("88d"));
        QCOMPARE(chip.ProgramWord(0x3FF), quint16(0x3480));
    }

    void baselineBackupCalibrationAndIdAtTheirLocations()
    {
        BoxHarness h;
        h.Insert(0, QStringLiteral("12F508"));
        h.Boot();
        SimulatedChip& chip = *h.box.Chip(0);
        // ROM 511: OSCCAL is the MOVLW at 0x1FF, the ID words follow at 0x200.
        QCOMPARE(chip.RegionSize(RegCode), 511);
        QCOMPARE(chip.ProgramWord(0x1FF), quint16(0x0C24));
        h.Load(BoxHarness::Block(OperationCode(ActRead, RegCalibration), 0x1FF, SocketA, CountEndingAt, UnitWord, 0, 1),
               Script5X);
        QCOMPARE(h.ExecuteReading(2), QByteArray::fromHex("240C"));
        // Backup OSCCAL at BCALLOC 516 (CAL count 0 still moves one word).
        h.Load(BoxHarness::Block(OperationCode(ActRead, RegCalibrationBackup), 516, SocketA, CountStartingAt),
               Script5X);
        QCOMPARE(h.ExecuteReading(2), QByteArray::fromHex("240C"));
        // ID words at IDLOC 512, four of them; OSCCAL below them stays.
        h.Load(BoxHarness::Block(OperationCode(ActProgram, RegId), 512, SocketA, CountAtAddress, UnitWord, 0x0FFF, 4),
               Script5X);
        QCOMPARE(h.ExecuteSending({1, 2, 3, 4}), QByteArray(8, '8') + 'd');
        QCOMPARE(chip.Raw(RegId, 3), quint16(4));
        QCOMPARE(chip.ProgramWord(0x1FF), quint16(0x0C24));
        QCOMPARE(quint8(h.Status()[12]), quint8(SocketA));
    }

    void oneTimeProgrammablePartsOnlyClearBits()
    {
        BoxHarness h;
        h.Insert(0, QStringLiteral("16C57"));
        h.Boot();
        SimulatedChip& chip = *h.box.Chip(0);
        h.Load(BoxHarness::Block(OperationCode(ActProgram, RegCode), 0, SocketA, CountLastIndex, UnitWord, 0x0FFF),
               Script5X);
        h.ExecuteSending({0x00F});
        QCOMPARE(chip.Raw(RegCode, 0), quint16(0x00F));
        QCOMPARE(quint8(h.Status()[12]), quint8(SocketA));
        // Programming 0x0F0 over it cannot set bits: the cell becomes 0x000 and the write fails.
        h.Load(BoxHarness::Block(OperationCode(ActProgram, RegCode), 0, SocketA, CountLastIndex, UnitWord, 0x0FFF),
               Script5X);
        h.ExecuteSending({0x0F0});
        QCOMPARE(chip.Raw(RegCode, 0), quint16(0x000));
        QCOMPARE(quint8(h.Status()[12]), quint8(0));
        // An erase changes nothing and reports the first cell that is not blank.
        h.Load(BoxHarness::Block(OperationCode(ActErase, RegDevice), 0, SocketA), Script5X);
        h.Send(BoxHarness::Frame(CmdExecute));
        QCOMPARE(chip.Raw(RegCode, 0), quint16(0x000));
        const QByteArray status = h.Status();
        QCOMPARE(quint8(status[12]), quint8(0));
        QCOMPARE(BoxHarness::FailLocation(status, 0), quint32(0));
    }

    void pic18BytesConfigurationAndMarker()
    {
        BoxHarness h;
        h.Insert(0, QStringLiteral("18F252"));
        h.Boot();
        SimulatedChip& chip = *h.box.Chip(0);
        // EE data read as bytes: bytes 2-4 hold n-1, and 2n bytes come back.
        chip.SetRaw(RegEeData, 1, 0x42);
        h.Load(BoxHarness::Block(OperationCode(ActRead, RegEeData), 1, SocketA, CountPairs, UnitByte), Script18X);
        QCOMPARE(h.ExecuteReading(4), QByteArray::fromHex("FF42FFFF"));
        // Configuration words with their masks (value, mask per word) when more than one moves.
        h.Load(BoxHarness::Block(OperationCode(ActProgram, RegConfig), 1, SocketA, CountLastIndex, UnitConfigWord),
               Script18X);
        QCOMPARE(h.ExecuteSendingBytes(QByteArray::fromHex("FF22FF27"
                                                           "FE0F0F0F")),
                 QByteArray(8, '8') + 'd');
        QCOMPARE(chip.Raw(RegConfig, 0) & 0x2700, 0x2200);
        QCOMPARE(chip.Raw(RegConfig, 1) & 0x0F0F, 0x0F0E);
        // One configuration byte: byte 10 = 2w + 1 selects the high byte of word 0 only.
        h.Load(
            BoxHarness::Block(OperationCode(ActProgram, RegConfig), 0, SocketA, CountSingleConfig, UnitWord, 0xFFFF, 1),
            Script18X);
        QCOMPARE(h.ExecuteSending({0x2000}), QByteArray("88d"));
        QCOMPARE(chip.Raw(RegConfig, 0), quint16(0x20FF));
        // The script's address marker (0x93, three bytes high first) places a serial number.
        h.Load(BoxHarness::Block(OperationCode(ActProgram, RegCode), 1, SocketA, CountLastIndex, UnitWord, 0xFFFF),
               Script18X + QByteArray::fromHex("9300 0100"));
        h.ExecuteSending({0x1234, 0x5678});
        QCOMPARE(chip.Raw(RegCode, 0x80), quint16(0x1234));
        QCOMPARE(chip.Raw(RegCode, 0x81), quint16(0x5678));
    }

    // Panel writes: the words arrive write group by write group, visiting each panel in turn, and
    // land at their own addresses; a verify in the same order names the failing word's address.
    void panelWritesLandInProgramOrder()
    {
        BoxHarness h;
        h.Insert(0, QStringLiteral("18F252"));
        h.Boot();
        constexpr int Count = 64, Panels = 4, PanelWords = Count / Panels, Group = 4;
        QVector<quint16> image(Count);
        for (int a = 0; a < Count; ++a)
            image[a] = quint16(0x1000 + 3 * a);
        QVector<quint16> wire;
        for (int o = 0; o < PanelWords; o += Group)
            for (int f = 0; f < Panels; ++f)
                for (int l = 0; l < Group; ++l)
                    wire << image[o + f * PanelWords + l];
        QCOMPARE(wire.size(), Count);
        auto block = [&](Action action) {
            QByteArray pb = BoxHarness::Block(OperationCode(action, RegCode), Count - 1, SocketA, CountLastIndex,
                                              UnitWord, 0xFFFF, 0, quint8(FlagWriteAll | FlagPanelWrite));
            pb[PbPanels] = char(Panels);
            pb[PbBlockBytes] = char(2 * Group);
            return pb;
        };
        h.Load(block(ActProgram), Script18X);
        h.ExecuteSending(wire);
        QCOMPARE(quint8(h.Status()[12]), quint8(SocketA));
        for (int a = 0; a < Count; ++a)
            QCOMPARE(h.box.Chip(0)->Raw(RegCode, a), image[a]);

        h.box.Chip(0)->SetRaw(RegCode, 37, 0x0000);
        h.Load(block(ActVerify), Script18X);
        h.ExecuteSending(wire);
        const QByteArray status = h.Status();
        QCOMPARE(quint8(status[12]), quint8(0));
        QCOMPARE(BoxHarness::FailLocation(status, 0), quint32(37));
    }

    // The chips' write cycles and erases, counted once however many sockets work: a program
    // cycle per PAW words (a partial last group included), one for all panels of a panel write,
    // one per EE byte, one for the eight PIC18 ID bytes, none for words skipped as blank, and the
    // erase time of the part (none for an EPROM part).
    void chipTimesPerWriteCycleAndErase_data()
    {
        QTest::addColumn<QString>("device");
        QTest::addColumn<int>("sockets");
        QTest::addColumn<QByteArray>("block");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<qint64>("expectedUs");
        auto code = [](Action a, Region r, int count, quint8 unit = UnitWord, quint8 flags = FlagWriteAll) {
            return BoxHarness::Block(OperationCode(a, r), quint32(count - 1), AllFour, CountLastIndex, unit, 0, 0,
                                     flags);
        };
        const QByteArray zeros16(32, '\0');
        QTest::newRow("16F877A 16 words: 2 cycles")
            << "16F877A" << 1 << code(ActProgram, RegCode, 16) << zeros16 << qint64(4000);
        QTest::newRow("16F877A 9 words: 2 cycles")
            << "16F877A" << 1 << code(ActProgram, RegCode, 9) << QByteArray(18, '\0') << qint64(4000);
        QTest::newRow("16F877A on four sockets: once")
            << "16F877A" << 4 << code(ActProgram, RegCode, 16) << zeros16 << qint64(4000);
        QTest::newRow("16F877A blank words skipped") << "16F877A" << 1 << code(ActProgram, RegCode, 8, UnitWord, 0)
                                                     << QByteArray::fromHex("FF3F").repeated(8) << qint64(0);
        QTest::newRow("16F877A 3 EE bytes")
            << "16F877A" << 1 << code(ActProgram, RegEeData, 3) << QByteArray(6, '\0') << qint64(6000);
        QTest::newRow("16F877A erase") << "16F877A" << 1 << code(ActErase, RegDevice, 1) << QByteArray()
                                       << qint64(15000);
        QTest::newRow("12C508A 3 words, pulses")
            << "12C508A" << 1 << code(ActProgram, RegCode, 3) << QByteArray(6, '\0') << qint64(3600);
        QTest::newRow("12C508A erase: none")
            << "12C508A" << 1 << code(ActErase, RegDevice, 1) << QByteArray() << qint64(0);
        QByteArray panels = code(ActProgram, RegCode, 64, UnitWord, FlagWriteAll | FlagPanelWrite);
        panels[PbPanels] = 4;
        panels[PbBlockBytes] = 8;
        QTest::newRow("18F452 panel write: 16 words a cycle")
            << "18F452" << 1 << panels << QByteArray(128, '\0') << qint64(8000);
        QTest::newRow("18F452 eight ID bytes: one cycle")
            << "18F452" << 1 << code(ActProgram, RegId, 8, UnitByte) << QByteArray(8, '\0') << qint64(2000);
        QTest::newRow("18F452 erase") << "18F452" << 1 << code(ActErase, RegDevice, 1) << QByteArray() << qint64(5000);
    }
    void chipTimesPerWriteCycleAndErase()
    {
        QFETCH(QString, device);
        QFETCH(int, sockets);
        QFETCH(QByteArray, block);
        QFETCH(QByteArray, data);
        QFETCH(qint64, expectedUs);
        BoxHarness h;
        for (int s = 0; s < sockets; ++s)
            h.Insert(s, device);
        h.Boot();
        const SimulatedChip& chip = *h.box.Chip(0);
        h.Load(block, chip.Geometry().family == ChipGeometry::Family::Pic18      ? Script18X
                      : chip.Geometry().family == ChipGeometry::Family::Baseline ? Script5X
                                                                                 : ScriptXX);
        const QByteArray reply = h.ExecuteSendingBytes(data);
        QVERIFY(reply.endsWith('d'));
        QCOMPARE(h.box.ChipTimeNs(), expectedUs * 1000);
    }

    void refusedOperations()
    {
        BoxHarness h;
        h.Insert(0, QStringLiteral("16F877A"));
        h.Boot();
        // Execute before any parameter block, and an unknown operation code: 'e' after the echo.
        QCOMPARE(h.Send(BoxHarness::Frame(CmdExecute)), BoxHarness::Echo(CmdExecute) + 'e');
        h.Load(BoxHarness::Block(0x9F, 0, SocketA), ScriptXX);
        QCOMPARE(h.Send(BoxHarness::Frame(CmdExecute)), BoxHarness::Echo(CmdExecute) + 'e');
        // A script longer than 32 bytes is refused at its length byte.
        h.Send(BoxHarness::Frame(CmdParameterBlock) + BoxHarness::Escaped(BoxHarness::Block(0x21, 0, SocketA)));
        QCOMPARE(h.Send(BoxHarness::Frame(CmdPayload) + char(33)), BoxHarness::Echo(CmdPayload) + "8e");
    }

    void memoryDumpIsIntelHex()
    {
        BoxHarness h;
        h.Insert(0, QStringLiteral("16F877A"));
        h.Insert(2, QStringLiteral("18F252"));
        SimulatedChip& chip = *h.box.Chip(0);
        chip.SetRaw(RegCode, 0, 0x2805);
        chip.SetRaw(RegEeData, 0, 0x55);
        QTemporaryDir dir;
        QString error;
        QVERIFY2(h.box.WriteMemoryDumps(dir.path(), &error), qPrintable(error));
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("socketB.hex"))));
        QFile file(dir.filePath(QStringLiteral("socketA.hex")));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray text = file.readAll();
        QVERIFY(text.startsWith(":100000000528FF3FFF3FFF3FFF3FFF3FFF3FFF3F"));
        QVERIFY(text.contains(":10420000"
                              "5500FF00"));      // EE data at word 0x2100, byte 0x4200
        QVERIFY(text.contains(":02400E00FF3F")); // configuration word at 0x2007
        QVERIFY(text.endsWith(":00000001FF\r\n"));
        QFile pic18(dir.filePath(QStringLiteral("socketC.hex")));
        QVERIFY(pic18.open(QIODevice::ReadOnly));
        const QByteArray text18 = pic18.readAll();
        QVERIFY(text18.contains(":020000040030CA")); // extended address 0x0030 before the configuration bytes
        QVERIFY(text18.contains(":02000004"
                                "00F00A"));
    }
};

QTEST_GUILESS_MAIN(TestBoxOperations)
#include "TestBoxOperations.moc"
