// Every failure the simulated box can be told to show, and the command-line options that choose them.

#include "BoxHarness.h"
#include "BoxSimConfig.h"

#include <QTest>

using namespace BoxProtocol;

class TestBoxFaults : public QObject
{
    Q_OBJECT

private slots:
    void silentAfterNBytesUntilTheNextReset()
    {
        BoxHarness h;
        h.box.Faults().silentAfter = 5; // "<R>" is 3 bytes: two more are answered
        h.Boot();
        QCOMPARE(h.Send("<"), QByteArray("8"));
        QCOMPARE(h.Send(QByteArray(1, char(CmdClearErrors))), QByteArray("8"));
        QCOMPARE(h.Send(">"), QByteArray());
        h.Boot(); // a reset brings it back, counting afresh
        QCOMPARE(h.Send("<"), QByteArray("8"));
    }

    void garbageReplacesOneReply()
    {
        BoxHarness h;
        h.box.Faults().garbageAfter = 4;
        h.box.Faults().garbageByte = 0x3F;
        h.Boot();
        // Byte 5 is the command number: its acknowledgement is the reply that turns to garbage.
        QCOMPARE(h.Send(BoxHarness::Frame(CmdClearErrors)), QByteArray("8?8") + char(CmdClearErrors) + 'd');
        QCOMPARE(h.Send(BoxHarness::Frame(CmdClearErrors)), BoxHarness::Echo(CmdClearErrors) + 'd');
    }

    void replyFaultsReplaceTheFirstReplyAfterTheEcho_data()
    {
        QTest::addColumn<int>("command");
        QTest::addColumn<int>("byte");
        QTest::addColumn<QByteArray>("reply");
        QTest::newRow("refused clear") << int(CmdClearErrors) << int('e') << (BoxHarness::Echo(CmdClearErrors) + 'e');
        QTest::newRow("failed read vdd") << int(CmdReadVdd) << int('f') << (BoxHarness::Echo(CmdReadVdd) + 'f');
        QTest::newRow("voltage error") << int(CmdOperationPowerOn) << 253
                                       << (BoxHarness::Echo(CmdOperationPowerOn) + char(253));
        QTest::newRow("all failed after echo-only") << int(CmdVppOn) << 254 << (BoxHarness::Echo(CmdVppOn) + char(254));
    }
    void replyFaultsReplaceTheFirstReplyAfterTheEcho()
    {
        QFETCH(int, command);
        QFETCH(int, byte);
        QFETCH(QByteArray, reply);
        BoxHarness h;
        h.box.Faults().replyFaults.insert(command, quint8(byte));
        h.Boot();
        QCOMPARE(h.Send(BoxHarness::Frame(quint8(command))), reply);
        // The box is idle again afterwards.
        QCOMPARE(h.Send(BoxHarness::Frame(CmdParallelMode)), BoxHarness::Echo(CmdParallelMode) + 'd');
    }

    void executeFaultReplacesTheCompletionOfATransfer()
    {
        BoxHarness h;
        h.Insert(0, QStringLiteral("16F877A"));
        h.box.Faults().replyFaults.insert(CmdExecute, 254);
        h.Boot();
        h.Load(BoxHarness::Block(OperationCode(ActProgram, RegCode), 0, SocketA, CountLastIndex, UnitWord, 0x3FFF),
               QByteArray::fromHex("1402"));
        QCOMPARE(h.ExecuteSending({0x1234}), QByteArray("88") + char(254));
    }

    void supplyFaultBitsAndReadings_data()
    {
        QTest::addColumn<int>("bits");
        QTest::addColumn<int>("vdd");
        QTest::addColumn<int>("vpp");
        QTest::newRow("VDD too low") << int(SupplyVddLow) << 64 << 208;
        QTest::newRow("VDD too high") << int(SupplyVddHigh) << 96 << 208;
        QTest::newRow("VDD not rising") << int(SupplyVddNotRising) << 8 << 208;
        QTest::newRow("MCLR too low") << int(SupplyVppLow) << 80 << 150;
        QTest::newRow("MCLR too high") << int(SupplyVppHigh) << 80 << 230;
        QTest::newRow("MCLR not rising") << int(SupplyVppNotRising) << 80 << 8;
    }
    void supplyFaultBitsAndReadings()
    {
        QFETCH(int, bits);
        QFETCH(int, vdd);
        QFETCH(int, vpp);
        BoxHarness h;
        h.box.Faults().supplyFaults = quint8(bits);
        h.Boot();
        h.Send(BoxHarness::Frame(CmdOperationPowerOn));
        QCOMPARE(h.Send(BoxHarness::Frame(CmdReadVdd)), BoxHarness::Echo(CmdReadVdd) + char(vdd) + 'd');
        QCOMPARE(h.Send(BoxHarness::Frame(CmdReadVpp)), BoxHarness::Echo(CmdReadVpp) + char(vpp) + 'd');
        const QByteArray poll = h.Send(QByteArray::fromHex("5C5E"));
        QCOMPARE(quint8(poll[2]) & 0x3F, bits);
    }

    void idleSuppliesAndStatusVoltageBits()
    {
        BoxHarness h;
        h.box.Faults().vddIdle = 40;
        h.box.Faults().vppIdle = 30;
        h.box.Faults().statusVoltageBits = 0x41;
        h.Boot();
        QCOMPARE(h.Send(BoxHarness::Frame(CmdReadVdd)), BoxHarness::Echo(CmdReadVdd) + char(40) + 'd');
        QCOMPARE(h.Send(BoxHarness::Frame(CmdReadVpp)), BoxHarness::Echo(CmdReadVpp) + char(30) + 'd');
        QCOMPARE(quint8(h.Status()[13]), quint8(0x41));
    }

    void badCellFailsProgramAndVerifyAtItsAddress()
    {
        BoxHarness h;
        h.Insert(0, QStringLiteral("16F877A"));
        h.Insert(1, QStringLiteral("16F877A"));
        h.box.Chip(1)->SetBadCell(2, 0x0000);
        h.Boot();
        h.Load(BoxHarness::Block(OperationCode(ActProgram, RegCode), 3, SocketA | SocketB, CountLastIndex, UnitWord,
                                 0x3FFF),
               QByteArray::fromHex("1402"));
        h.ExecuteSending({1, 2, 3, 4});
        const QByteArray status = h.Status();
        QCOMPARE(quint8(status[12]), quint8(SocketA));
        QCOMPARE(BoxHarness::FailLocation(status, 1), quint32(2));
        // Stuck cells survive an erase too.
        h.Load(BoxHarness::Block(OperationCode(ActErase, RegCode), 0, SocketB), QByteArray::fromHex("1402"));
        h.Send(BoxHarness::Frame(CmdExecute));
        QCOMPARE(BoxHarness::FailLocation(h.Status(), 1), quint32(2));
    }

    void optionsChooseFaultsSocketsAndIdentity()
    {
        BoxSimConfig config;
        QString error;
        const QStringList arguments{QStringLiteral("--listen"),
                                    QStringLiteral("127.0.0.1:0"),
                                    QStringLiteral("--socket"),
                                    QStringLiteral("B=empty"),
                                    QStringLiteral("--socket"),
                                    QStringLiteral("C=12F675"),
                                    QStringLiteral("--firmware-version"),
                                    QStringLiteral("0x0105"),
                                    QStringLiteral("--config-letter"),
                                    QStringLiteral("B"),
                                    QStringLiteral("--hardware-revision"),
                                    QStringLiteral("2"),
                                    QStringLiteral("--modification"),
                                    QStringLiteral("3"),
                                    QStringLiteral("--reply-fault"),
                                    QStringLiteral("1=253"),
                                    QStringLiteral("--reply-fault"),
                                    QStringLiteral("9=e"),
                                    QStringLiteral("--bad-cell"),
                                    QStringLiteral("A:0x10=0x5"),
                                    QStringLiteral("--silent-after"),
                                    QStringLiteral("100"),
                                    QStringLiteral("--supply-fault"),
                                    QStringLiteral("0x09"),
                                    QStringLiteral("--timing"),
                                    QStringLiteral("--latency"),
                                    QStringLiteral("4")};
        QVERIFY2(ParseBoxSimArguments(arguments, &config, &error), qPrintable(error));
        QCOMPARE(config.listenPort, quint16(0));
        QVERIFY(config.sockets[1].isEmpty());
        QCOMPARE(config.faults.replyFaults.value(1), quint8(253));
        QCOMPARE(config.faults.replyFaults.value(9), quint8('e'));
        config.tablePath = TestPaths::ShippedData() + QStringLiteral("PXMCU.TBL");
        BoxSimulator box;
        QVERIFY2(ConfigureSimulator(config, box, &error), qPrintable(error));
        QVERIFY(box.Chip(0) && !box.Chip(1) && box.Chip(2) && box.Chip(3));
        QCOMPARE(box.Chip(2)->Geometry().name, QStringLiteral("12F675"));
        QCOMPARE(box.Chip(0)->Raw(RegCode, 0x10), quint16(0x5));
        QCOMPARE(box.Identity().firmwareVersion, quint16(0x0105));
        QCOMPARE(box.Identity().configLetter, 'B');
        QCOMPARE(box.Identity().HardwareWord(), quint16(0x0301));
        QVERIFY(box.TimingEnabled());

        // Without a version the box reports the table's VERSION (280 = 0x0118).
        BoxSimConfig plain;
        plain.tablePath = config.tablePath;
        QVERIFY(ConfigureSimulator(plain, box, &error));
        QCOMPARE(box.Identity().firmwareVersion, quint16(0x0118));

        for (const QStringList& bad :
             {QStringList{QStringLiteral("--socket"), QStringLiteral("E=16F84A")},
              QStringList{QStringLiteral("--reply-fault"), QStringLiteral("1=x")},
              QStringList{QStringLiteral("--latency"), QStringLiteral("17")}, QStringList{QStringLiteral("--bogus")}}) {
            BoxSimConfig c;
            QVERIFY(!ParseBoxSimArguments(bad, &c, &error));
            QVERIFY(!error.isEmpty());
        }
        BoxSimConfig unknownDevice;
        unknownDevice.tablePath = config.tablePath;
        unknownDevice.sockets[0] = QStringLiteral("16F999");
        QVERIFY(!ConfigureSimulator(unknownDevice, box, &error));
        QVERIFY(error.contains(QStringLiteral("16F999")));
    }
};

QTEST_GUILESS_MAIN(TestBoxFaults)
#include "TestBoxFaults.moc"
