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

    void silentFromTheSpeedChangeUntilTheNextReset()
    {
        BoxHarness h;
        h.box.Faults().silentStage = BoxFaults::Stage::SpeedChange;
        h.Boot();
        QCOMPARE(h.Send(BoxHarness::Frame(CmdClearErrors)), BoxHarness::Echo(CmdClearErrors) + 'd');
        // The frame's acknowledgements come; from the command on, nothing.
        QCOMPARE(h.Send(BoxHarness::Frame(CmdHighSpeed)), QByteArray("888"));
        QCOMPARE(h.Send(BoxHarness::Frame(CmdClearErrors)), QByteArray());
        h.Boot();
        QCOMPARE(h.Send(BoxHarness::Frame(CmdClearErrors)), BoxHarness::Echo(CmdClearErrors) + 'd');
    }

    void silentFromTheFirmwareStartUntilTheNextReset()
    {
        BoxHarness h;
        h.box.Faults().silentStage = BoxFaults::Stage::Reset;
        h.Pulse();
        // The loader still identifies itself; the start of the firmware gets no 'f', and the
        // application answers nothing until the next reset.
        QCOMPARE(h.Send("<I>").size(), 4);
        QCOMPARE(h.Send("<R>"), QByteArray());
        QCOMPARE(h.Send(BoxHarness::Frame(CmdClearErrors)), QByteArray());
        h.Pulse();
        QCOMPARE(h.Send("<R>"), QByteArray());
        h.box.Faults().silentStage = BoxFaults::Stage::None;
        h.Boot();
        QCOMPARE(h.Send(BoxHarness::Frame(CmdClearErrors)), BoxHarness::Echo(CmdClearErrors) + 'd');
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

    // One pre-test, power-up and program operation per fault, as the host runs them: the idle
    // readings, the fault bits of the power-up polls, the readings once up, byte 13 and the passing
    // sockets of the status reply, and the supplies decaying after they are switched off.
    void supplyFaultsOverAPowerUpAndAnOperation_data()
    {
        QTest::addColumn<int>("supplyFaults");
        QTest::addColumn<int>("drop");
        QTest::addColumn<int>("vddIdle");
        QTest::addColumn<int>("vppIdle");
        QTest::addColumn<int>("pollBits");
        QTest::addColumn<int>("vdd");
        QTest::addColumn<int>("vpp");
        QTest::addColumn<int>("byte13");
        QTest::addColumn<bool>("passes");
        QTest::newRow("none") << 0 << 0 << 0 << 0 << 0 << 80 << 208 << 0 << true;
        QTest::newRow("VDD too low") << int(SupplyVddLow) << 0 << 0 << 0 << 0x01 << 64 << 208 << 0x01 << true;
        QTest::newRow("VDD too high") << int(SupplyVddHigh) << 0 << 0 << 0 << 0x02 << 96 << 208 << 0x02 << true;
        QTest::newRow("VDD never rises") << int(SupplyVddNotRising) << 0 << 0 << 0 << 0x04 << 8 << 208 << 0x04 << true;
        QTest::newRow("MCLR too low") << int(SupplyVppLow) << 0 << 0 << 0 << 0x08 << 80 << 150 << 0x08 << true;
        QTest::newRow("VPP 14.4 V") << int(SupplyVppHigh) << 0 << 0 << 0 << 0x10 << 80 << 230 << 0x10 << true;
        QTest::newRow("VPP not rising") << int(SupplyVppNotRising) << 0 << 0 << 0 << 0x20 << 80 << 8 << 0x20 << true;
        QTest::newRow("VDD drops") << 0 << int(SupplyVddLow) << 0 << 0 << 0 << 80 << 208 << 0x01 << false;
        QTest::newRow("MCLR drops") << 0 << int(SupplyVppLow) << 0 << 0 << 0 << 80 << 208 << 0x08 << false;
        QTest::newRow("voltage on VDD") << 0 << 0 << 40 << 0 << 0 << 80 << 208 << 0x40 << true;
        QTest::newRow("MCLR not pulled low") << 0 << 0 << 0 << 30 << 0 << 80 << 208 << 0x80 << true;
    }
    void supplyFaultsOverAPowerUpAndAnOperation()
    {
        QFETCH(int, supplyFaults);
        QFETCH(int, drop);
        QFETCH(int, vddIdle);
        QFETCH(int, vppIdle);
        QFETCH(int, pollBits);
        QFETCH(int, vdd);
        QFETCH(int, vpp);
        QFETCH(int, byte13);
        QFETCH(bool, passes);
        BoxHarness h;
        h.Insert(0, QStringLiteral("16F877A"));
        BoxFaults& f = h.box.Faults();
        f.supplyFaults = quint8(supplyFaults);
        f.dropDuringOperation = quint8(drop);
        f.vddIdle = vddIdle;
        f.vppIdle = vppIdle;
        h.Boot();
        auto read = [&h](quint8 command) {
            const QByteArray r = h.Send(BoxHarness::Frame(command));
            return r.size() == 6 && r.back() == 'd' ? int(quint8(r[4])) : -1;
        };
        h.Send(BoxHarness::Frame(CmdPrepareVoltageTest));
        QCOMPARE(read(CmdReadVdd), vddIdle);
        QCOMPARE(read(CmdReadVpp), vppIdle);

        h.Send(BoxHarness::Frame(CmdPowerUpVddFirst));
        int seenBits = 0;
        for (int i = 0; i < 5; ++i) {
            const QByteArray poll = h.Send(QByteArray::fromHex("5C5E"));
            QCOMPARE(poll.size(), 4);
            seenBits |= quint8(poll[2]) & 0x3F;
        }
        QCOMPARE(seenBits, pollBits);
        QCOMPARE(h.Send(QByteArray::fromHex("5C63")), QByteArray("88d"));
        QCOMPARE(read(CmdReadVdd), vdd);
        QCOMPARE(read(CmdReadVpp), vpp);

        h.Send(BoxHarness::Frame(CmdOperationPowerOn));
        const QVector<quint16> words{0x1234 & 0x3FFF, 0x0FFF, 0x2000, 0x0001};
        h.Load(BoxHarness::Block(OperationCode(ActProgram, RegCode), 3, SocketA, CountLastIndex, UnitWord, 0x3FFF),
               QByteArray::fromHex("1402"));
        h.ExecuteSending(words);
        const QByteArray status = h.Status();
        QCOMPARE(status.size(), int(StatusReplySize));
        QCOMPARE(int(quint8(status[13])), byte13);
        QCOMPARE(quint8(status[12]) == SocketA, passes);
        // A supply that dropped changed nothing on the chip.
        QCOMPARE(h.box.Chip(0)->Raw(RegCode, 1) == 0x0FFF, passes);
        if (drop)
            QCOMPARE(read(drop == SupplyVddLow ? CmdReadVdd : CmdReadVpp), drop == SupplyVddLow ? 64 : 150);
        // The bits were reported once; the next status read starts clean.
        if (!passes || byte13 & 0xC0)
            QCOMPARE(int(quint8(h.Status()[13])), 0);

        // Switched off, a supply decays over two queries to its idle level.
        h.Send(BoxHarness::Frame(CmdVppOff));
        h.Send(BoxHarness::Frame(CmdVddOff));
        // Both decay from the level they had (VDD 64 after a drop); each query moves both on.
        const int vddFrom = drop == SupplyVddLow ? 64 : vdd;
        const int vppFrom = drop == SupplyVppLow ? 150 : vpp;
        QCOMPARE(read(CmdReadVdd), qMax(vddIdle, vddFrom / 4));
        QCOMPARE(read(CmdReadVpp), qMax(vppIdle, vppFrom / 16));
        QCOMPARE(read(CmdReadVdd), vddIdle);
        QCOMPARE(read(CmdReadVpp), vppIdle);
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
                                    QStringLiteral("--silent-at"),
                                    QStringLiteral("read:7"),
                                    QStringLiteral("--supply-drop"),
                                    QStringLiteral("vpp:3"),
                                    QStringLiteral("--timing"),
                                    QStringLiteral("--latency"),
                                    QStringLiteral("4")};
        QVERIFY2(ParseBoxSimArguments(arguments, &config, &error), qPrintable(error));
        QCOMPARE(config.listenPort, quint16(0));
        QVERIFY(config.sockets[1].isEmpty());
        QCOMPARE(config.faults.replyFaults.value(1), quint8(253));
        QCOMPARE(config.faults.replyFaults.value(9), quint8('e'));
        QCOMPARE(config.faults.dropDuringOperation, SupplyVppLow);
        QCOMPARE(config.faults.dropAtOperation, 3);
        QCOMPARE(config.faults.silentStage, BoxFaults::Stage::Read);
        QCOMPARE(config.faults.silentStageBytes, qint64(7));
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

        for (const QStringList& bad : {QStringList{QStringLiteral("--socket"), QStringLiteral("E=16F84A")},
                                       QStringList{QStringLiteral("--reply-fault"), QStringLiteral("1=x")},
                                       QStringList{QStringLiteral("--latency"), QStringLiteral("17")},
                                       QStringList{QStringLiteral("--supply-drop"), QStringLiteral("vcc")},
                                       QStringList{QStringLiteral("--silent-at"), QStringLiteral("idle")},
                                       QStringList{QStringLiteral("--silent-at"), QStringLiteral("program:x")},
                                       QStringList{QStringLiteral("--bogus")}}) {
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
