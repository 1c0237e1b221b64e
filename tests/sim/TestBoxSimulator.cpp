// The box's line, boot loader and application protocol, byte for byte.

#include "BoxHarness.h"
#include "UartLine.h"

#include <QFile>
#include <QTest>

using namespace BoxProtocol;

class TestBoxSimulator : public QObject
{
    Q_OBJECT

private slots:
    void resetNeedsARaisedThenDroppedDtr()
    {
        BoxHarness h;
        h.box.HostDtr(true); // opening a port may raise DTR: no reset yet
        QCOMPARE(h.box.Resets(), 0);
        h.box.HostDtr(false);
        QCOMPARE(h.box.Resets(), 1);
        h.box.HostDtr(false); // dropping it again is no pulse
        QCOMPARE(h.box.Resets(), 1);
    }

    void bootLoaderAnswersIdentifyAndRun()
    {
        BoxHarness h;
        h.Pulse();
        QCOMPARE(h.box.CurrentMode(), BoxSimulator::Mode::Loader);
        // Firmware version 0x0118 and boot version 0x0102, low bytes first; no acknowledgements.
        QCOMPARE(h.Send("<I>"), QByteArray::fromHex("18010201"));
        QCOMPARE(h.Send("xx<Q>"), QByteArray()); // unknown requests and noise are ignored
        QCOMPARE(h.Send("<R>"), QByteArray("f"));
        QCOMPARE(h.box.CurrentMode(), BoxSimulator::Mode::Application);
        h.Pulse();
        QCOMPARE(h.box.CurrentMode(), BoxSimulator::Mode::Loader);
    }

    void downloadTakesVersionAndLetterFromTheImage()
    {
        QFile file(TestPaths::ShippedData() + QStringLiteral("PX0118C.DAT"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray image = file.readAll();
        QCOMPARE(image.size(), ImageWords * 2);

        BoxHarness h;
        h.box.Identity().firmwareVersion = 0x0105;
        h.Pulse();
        QCOMPARE(h.Send("<I>"), QByteArray::fromHex("05010201"));
        QCOMPARE(h.Send("<L>"), QByteArray("L"));
        QCOMPARE(h.Send(image), QByteArray(image.size(), 'y'));
        QCOMPARE(h.Send("<I>"), QByteArray::fromHex("18010201"));
        QCOMPARE(h.Send("<R>"), QByteArray("f"));
        QCOMPARE(h.Send(BoxHarness::Frame(CmdReadConfigVersion)), BoxHarness::Echo(CmdReadConfigVersion) + "Cd");

        // A damaged image (check sum broken) leaves no valid firmware version.
        QByteArray damaged = image;
        damaged[100] = char(damaged[100] ^ 0x01);
        h.Pulse();
        h.Send("<L>");
        QCOMPARE(h.Send(damaged).size(), damaged.size());
        QCOMPARE(h.Send("<I>"), QByteArray::fromHex("FFFF0201"));
    }

    void everyByteIsAcknowledgedAndFramesEchoed()
    {
        BoxHarness h;
        h.Boot();
        // Command 9 (clear errors): 3C 09 3E -> 38 38 38 09 64.
        QCOMPARE(h.Send(QByteArray::fromHex("3C093E")), QByteArray::fromHex("3838380964"));
        // Echo-only commands answer nothing beyond the echo.
        QCOMPARE(h.Send(BoxHarness::Frame(CmdVddOn)), BoxHarness::Echo(CmdVddOn));
        QCOMPARE(h.Send(BoxHarness::Frame(CmdPowerUpVddFirst)), BoxHarness::Echo(CmdPowerUpVddFirst));
        // Commands the firmware does not have are refused after the echo.
        QCOMPARE(h.Send(BoxHarness::Frame(7)), BoxHarness::Echo(7) + 'e');
        QCOMPARE(h.Send(BoxHarness::Frame(24)), BoxHarness::Echo(24) + 'e');
        // Voltage mode: echo, then one data byte answered with '8' and 'd'.
        QCOMPARE(h.Send(BoxHarness::Frame(CmdVoltageMode)), BoxHarness::Echo(CmdVoltageMode));
        QCOMPARE(h.Send(QByteArray(1, char(3))), QByteArray("8d"));
        // Noise outside a frame is acknowledged and otherwise ignored.
        QCOMPARE(h.Send("zz"), QByteArray("88"));
    }

    void commandsWithCompletion_data()
    {
        QTest::addColumn<int>("command");
        for (int c :
             {CmdVppOff, CmdClearErrors, CmdOperationPowerOn, CmdPrepareVoltageTest, CmdSocketFail, CmdSocketPass,
              CmdParallelMode, CmdModificationDone, CmdVddOff, CmdTargetPowered, CmdProgrammerPowered})
            QTest::addRow("%d", c) << c;
    }
    void commandsWithCompletion()
    {
        QFETCH(int, command);
        BoxHarness h;
        h.Boot();
        QCOMPARE(h.Send(BoxHarness::Frame(quint8(command))), BoxHarness::Echo(quint8(command)) + 'd');
    }

    void escapes()
    {
        BoxHarness h;
        h.Boot();
        // A parameter block byte 0x5C arrives doubled and costs two acknowledgements.
        QByteArray block(ParameterBlockSize, '\0');
        block[3] = char(Escape);
        const QByteArray sent = BoxHarness::Frame(CmdParameterBlock) + BoxHarness::Escaped(block);
        QCOMPARE(h.Send(sent), BoxHarness::Echo(CmdParameterBlock) + QByteArray(20, '8') + 'd');
        // The abort escape is not acknowledged; it drops the work in hand and answers 'f'.
        QCOMPARE(h.Send(BoxHarness::Frame(CmdParameterBlock) + "abc"), BoxHarness::Echo(CmdParameterBlock) + "888");
        QCOMPARE(h.Send(QByteArray::fromHex("5CFF")), QByteArray("f"));
        QCOMPARE(h.Send(BoxHarness::Frame(CmdClearErrors)), BoxHarness::Echo(CmdClearErrors) + 'd');
        // Power-up confirmation and stop.
        QCOMPARE(h.Send(QByteArray::fromHex("5C63")), QByteArray("88d"));
        QCOMPARE(h.Send(QByteArray::fromHex("5C5D")), QByteArray("88"));
        // The status poll with nothing switched on: no reading.
        QCOMPARE(h.Send(QByteArray::fromHex("5C5E")), QByteArray("88") + QByteArray::fromHex("0000"));
        // An escape split across two writes is still one escape.
        QCOMPARE(h.Send(QByteArray::fromHex("5C")), QByteArray());
        QCOMPARE(h.Send(QByteArray::fromHex("63")), QByteArray("88d"));
    }

    void statusReplyAndIdentification()
    {
        BoxHarness h;
        h.box.Identity().serialNumber = 0x1234;
        h.box.Identity().hardwareRevision = 2;
        h.box.Identity().modification = 3;
        h.Boot();
        // 3C 0C 3E -> 38 38 38 0C, 14 status bytes, 64.
        const QByteArray status = h.Send(QByteArray::fromHex("3C0C3E"));
        QCOMPARE(status, QByteArray::fromHex("3838380C") + QByteArray(StatusReplySize, '\0') + 'd');
        // Identification: echo only, then four words as eight read requests, 'd' after the last.
        QCOMPARE(h.Send(BoxHarness::Frame(CmdReadIdentification)), BoxHarness::Echo(CmdReadIdentification));
        const QByteArray words = h.Send(QByteArray(8, 'r'));
        QCOMPARE(words, QByteArray("8") + char(0x34) + '8' + char(0x12) + "8" + char(0x26) + '8' + char(0x20) + "8" +
                            char(0x01) + '8' + char(0x00) + "8" + char(0x01) + '8' + char(0x03) + 'd');
        // Command 19 records the modification; the hardware word reports it.
        h.Send(BoxHarness::Frame(CmdModificationDone));
        QCOMPARE(h.box.Identity().HardwareWord(), quint16(0x0301));
        // A command 0 without a parameter block before it carries a record word.
        QCOMPARE(h.Send(BoxHarness::Frame(CmdPayload) + QByteArray::fromHex("0206")),
                 BoxHarness::Echo(CmdPayload) + "88d");
        QCOMPARE(h.box.Identity().modification, quint8(0x03));
        QCOMPARE(h.Send(BoxHarness::Frame(CmdPayload) + QByteArray::fromHex("0507")),
                 BoxHarness::Echo(CmdPayload) + "88d");
        QCOMPARE(h.box.Identity().modification, quint8(0x05));
    }

    void suppliesRampAndReadInSixteenthsOfAVolt()
    {
        BoxHarness h;
        h.Boot();
        const QByteArray poll = QByteArray::fromHex("5C5E");
        // At rest each supply is at its level on its first poll: VDD, then VPP.
        h.Send(BoxHarness::Frame(CmdPowerUpVddFirst));
        QCOMPARE(h.Send(poll), QByteArray("88") + char(SupplyReadingIsVdd) + char(80));
        QCOMPARE(h.Send(poll), QByteArray("88") + char(SupplyReadingIsVpp) + char(208));
        h.Send(BoxHarness::Frame(CmdVppOff));
        h.Send(BoxHarness::Frame(CmdVddOff));
        // Slow supplies rise over two polls each, VDD then VPP; afterwards the poll shows VPP.
        h.box.Faults().slowRise = true;
        h.Send(BoxHarness::Frame(CmdPowerUpVddFirst));
        QCOMPARE(h.Send(poll), QByteArray("88") + char(SupplyReadingIsVdd) + char(40));
        QCOMPARE(h.Send(poll), QByteArray("88") + char(SupplyReadingIsVdd) + char(80));
        QCOMPARE(h.Send(poll), QByteArray("88") + char(SupplyReadingIsVpp) + char(104));
        QCOMPARE(h.Send(poll), QByteArray("88") + char(SupplyReadingIsVpp) + char(208));
        QCOMPARE(h.Send(poll), QByteArray("88") + char(SupplyReadingIsVpp) + char(208));
        QCOMPARE(h.Send(QByteArray::fromHex("5C63")), QByteArray("88d"));
        QCOMPARE(h.Send(BoxHarness::Frame(CmdReadVdd)), BoxHarness::Echo(CmdReadVdd) + char(80) + 'd');  // 5.0 V
        QCOMPARE(h.Send(BoxHarness::Frame(CmdReadVpp)), BoxHarness::Echo(CmdReadVpp) + char(208) + 'd'); // 13.0 V
        // VPP first: the poll afterwards shows VDD, the supply raised last.
        h.Send(BoxHarness::Frame(CmdPowerUpVppFirst));
        for (int i = 0; i < 4; ++i)
            h.Send(poll);
        QCOMPARE(h.Send(poll), QByteArray("88") + char(SupplyReadingIsVdd) + char(80));
        // Voltage mode with bit 0 clear selects the reduced window on revision 3 hardware (11 V).
        h.Send(BoxHarness::Frame(CmdVoltageMode) + QByteArray(1, '\0'));
        QCOMPARE(h.Send(BoxHarness::Frame(CmdReadVpp)), BoxHarness::Echo(CmdReadVpp) + char(176) + 'd');
        h.Send(BoxHarness::Frame(CmdVppOff));
        h.Send(BoxHarness::Frame(CmdVddOff));
        // Switched off, the supplies fall over the next two queries.
        QCOMPARE(h.Send(poll), QByteArray("88") + char(0) + char(0));
        QCOMPARE(h.Send(BoxHarness::Frame(CmdReadVdd)), BoxHarness::Echo(CmdReadVdd) + char(5) + 'd');
        QCOMPARE(h.Send(BoxHarness::Frame(CmdReadVdd)), BoxHarness::Echo(CmdReadVdd) + char(0) + 'd');
        QVERIFY(!h.box.VppOn());
    }

    void highSpeedUntilTheNextReset()
    {
        BoxHarness h;
        h.Boot();
        // The completion of command 21 still leaves at 57600.
        QCOMPARE(h.Send(BoxHarness::Frame(CmdHighSpeed)), BoxHarness::Echo(CmdHighSpeed) + 'd');
        QCOMPARE(h.box.LineRate(), HighBaud);
        // A host still at 57600 reads garbage and is read as garbage.
        const QByteArray garbled = h.Send(BoxHarness::Frame(CmdClearErrors));
        QVERIFY(garbled != BoxHarness::Echo(CmdClearErrors) + 'd');
        h.box.HostLineRate(HighBaud);
        h.Send(QByteArray::fromHex("5CFF")); // resynchronise after the garbage
        QCOMPARE(h.Send(BoxHarness::Frame(CmdClearErrors)), BoxHarness::Echo(CmdClearErrors) + 'd');
        h.box.HostLineRate(NormalBaud);
        h.Boot();
        QCOMPARE(h.box.LineRate(), NormalBaud);
    }

    void uartAtTheWrongRateReadsGarbage()
    {
        QCOMPARE(UartResample("abc", 57600, 57600), QByteArray("abc"));
        // 0xFF sent at 57600 and sampled at 115200: the long start bit becomes data bit 0.
        QCOMPARE(UartResample(QByteArray(1, char(0xFF)), 57600, 115200), QByteArray(1, char(0xFE)));
        const QByteArray acks(8, '8');
        QVERIFY(UartResample(acks, 115200, 57600) != acks);
        QVERIFY(UartResample(acks, 57600, 115200) != acks);
    }
};

QTEST_GUILESS_MAIN(TestBoxSimulator)
#include "TestBoxSimulator.moc"
