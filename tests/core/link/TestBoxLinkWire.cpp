#include "LinkFixture.h"

#include <QTest>
#include <QTimer>

using namespace BoxProtocol;
using Bit = LinkErrorWord::Bit;

#include "ChipGeometry.h"
#include "TestPaths.h"

namespace {
const QByteArray ScriptXX = QByteArray::fromHex("140208");

QByteArray Block(quint8 code, quint32 value, quint8 sockets, quint16 mask = 0x3FFF)
{
    QByteArray pb(ParameterBlockSize, '\0');
    pb[PbOperation] = char(code);
    pb[PbValueLow] = char(value & 0xFF);
    pb[PbValueLow + 1] = char((value >> 8) & 0xFF);
    pb[PbSocketMask] = char(sockets);
    pb[PbCountRule] = char(CountLastIndex);
    pb[PbItemUnit] = char(UnitWord);
    pb[PbMaskLow] = char(mask & 0xFF);
    pb[PbMaskHigh] = char(mask >> 8);
    return pb;
}

std::unique_ptr<SimulatedChip> Chip877A()
{
    ChipGeometry g;
    QString error;
    if (!ChipGeometry::Load(TestPaths::ShippedData() + QStringLiteral("PXMCU.TBL"), QStringLiteral("16F877A"), &g,
                            &error))
        qFatal("%s", qPrintable(error));
    return std::make_unique<SimulatedChip>(g);
}

// Sits in front of the fixture's tap and hands the box's replies to the host only when the host
// next waits (from the event loop), as a real line does: whatever the host sends in one go goes
// out before any answer to it can arrive. It counts the read requests ('r') the host has sent and
// the acknowledgements it has handed over, so the requests in flight seen by the host are known
// at every write.
struct DeferredTap : BoxEndpoint {
    BoxEndpoint* inner = nullptr;
    Sink host;
    QByteArray pending;
    QObject context; // cancels a pending hand-over when the tap goes
    bool counting = false;
    int requests = 0;
    qint64 handedOver = 0;         // reply bytes given to the host while counting
    int mostAhead = 0;             // most requests sent but not yet acknowledged to the host
    int requestsAtFirstReply = -1; // requests sent when the first reply reached the host

    int AcksHandedOver() const { return int((handedOver + 1) / 2); } // '8' then data, per request
    void StartCounting()
    {
        counting = true;
        requests = mostAhead = 0;
        handedOver = 0;
        requestsAtFirstReply = -1;
    }
    void AttachHost(Sink sink) override
    {
        host = std::move(sink);
        inner->AttachHost([this](const QByteArray& bytes) {
            if (pending.isEmpty())
                QTimer::singleShot(0, &context, [this] { HandOver(); });
            pending += bytes;
        });
    }
    void HandOver()
    {
        if (counting) {
            if (requestsAtFirstReply < 0)
                requestsAtFirstReply = requests;
            handedOver += pending.size();
        }
        const QByteArray bytes = pending;
        pending.clear();
        if (host)
            host(bytes);
    }
    void HostLineRate(qint32 baud) override { inner->HostLineRate(baud); }
    void HostDtr(bool raised) override { inner->HostDtr(raised); }
    void HostBytes(const QByteArray& bytes) override
    {
        if (counting) {
            requests += int(bytes.count(char(ReadRequest)));
            mostAhead = qMax(mostAhead, requests - AcksHandedOver());
        }
        inner->HostBytes(bytes);
    }
};
} // namespace

class TestBoxLinkWire : public QObject
{
    Q_OBJECT

private:
    // Loads an operation (parameter block and script) through the link's own setup.
    static bool Setup(LinkFixture& f, QByteArray block)
    {
        return f.link.SendOperationSetup(reinterpret_cast<quint8*>(block.data()),
                                         reinterpret_cast<const quint8*>(ScriptXX.constData()), ScriptXX.size(), true,
                                         false);
    }

    // Opens the link through a DeferredTap in front of the fixture's tap and starts the firmware.
    static bool OpenDeferred(LinkFixture& f, DeferredTap& deferred)
    {
        deferred.inner = &f.tap;
        f.factory.RegisterLoopback(QStringLiteral("deferred"), &deferred);
        if (f.port.OpenTarget(QStringLiteral("loop://deferred"), QStringLiteral("57600")))
            return false;
        f.link.ClearProtocolState();
        f.link.SendRaw('<', false, 0);
        f.link.SendRaw('R', false, 0);
        f.link.SendRaw('>', true, BoxLink::ClassResync);
        f.link.WaitAllReplies();
        f.Clear();
        return f.errors.Word() == 0 && f.box.CurrentMode() == BoxSimulator::Mode::Application;
    }

    // Fills code memory with a pattern and starts a read of its first items.
    static bool StartRead(LinkFixture& f, quint32 value, quint8 countRule, quint8 unit)
    {
        for (int i = 0; i < 2048; ++i)
            f.box.Chip(0)->SetRaw(RegCode, i, quint16((i * 53 + 7) & 0x3FFF));
        QByteArray block = Block(OperationCode(ActRead, RegCode), value, SocketA);
        block[PbCountRule] = char(countRule);
        block[PbItemUnit] = char(unit);
        return !Setup(f, block) && !f.link.Command(CmdExecute, false);
    }

    static quint16 Pattern(int i) { return quint16((i * 53 + 7) & 0x3FFF); }

private slots:
    void readRequestsRunAheadUpToTheWindow()
    {
        // 1000 words: a progress step of 10 words (20 requests), so the window is the limit.
        DeferredTap deferred; // outlives the fixture's port, which detaches from it on closing
        LinkFixture f;
        f.box.InsertChip(0, Chip877A());
        QVERIFY(OpenDeferred(f, deferred));
        QVERIFY(StartRead(f, 999, CountLastIndex, UnitWord));
        f.Clear();
        deferred.StartCounting();
        std::vector<quint16> words(1000, 0xFFFF);
        QVERIFY(!f.link.ReadWords(words.data(), 1000));
        QCOMPARE(f.errors.Word(), quint64(0));
        // The host sent a full window before the first reply reached it, and never more.
        QCOMPARE(deferred.requestsAtFirstReply, BoxLink::Window);
        QCOMPARE(deferred.mostAhead, BoxLink::Window);
        // The wire carries exactly the bytes of reading word by word, in the same order.
        QByteArray expected;
        for (int i = 0; i < 1000; ++i) {
            expected += '8';
            expected += char(Pattern(i) & 0xFF);
            expected += '8';
            expected += char(Pattern(i) >> 8);
            QCOMPARE(words[size_t(i)], Pattern(i));
        }
        QCOMPARE(f.sent, QByteArray(2000, char(ReadRequest)));
        QCOMPARE(f.received, expected + 'd');
        QCOMPARE(f.link.ExpectedCount(), 0);
        QCOMPARE(f.link.InFlight(), 0);

        // Bytes: 1000 pairs (2000 bytes, the low byte of each code word), the same window.
        QVERIFY(StartRead(f, 999, CountPairs, UnitByte));
        f.Clear();
        deferred.StartCounting();
        std::vector<quint16> bytes(2000, 0xFFFF);
        QVERIFY(!f.link.ReadBytes(bytes.data(), 1000));
        QCOMPARE(f.errors.Word(), quint64(0));
        QCOMPARE(deferred.requestsAtFirstReply, BoxLink::Window);
        QCOMPARE(deferred.mostAhead, BoxLink::Window);
        expected.clear();
        for (int i = 0; i < 2000; ++i) {
            expected += '8';
            expected += char(Pattern(i) & 0xFF);
            QCOMPARE(bytes[size_t(i)], quint16(Pattern(i) & 0xFF));
        }
        QCOMPARE(f.sent, QByteArray(2000, char(ReadRequest)));
        QCOMPARE(f.received, expected + 'd');
    }

    void readRequestsStopAtTheProgressStep()
    {
        // 300 words: a progress step of 3 words, after which every reply is drained; the
        // requests never run ahead into the next step.
        DeferredTap deferred; // outlives the fixture's port, which detaches from it on closing
        LinkFixture f;
        f.box.InsertChip(0, Chip877A());
        QVERIFY(OpenDeferred(f, deferred));
        QVERIFY(StartRead(f, 299, CountLastIndex, UnitWord));
        f.Clear();
        deferred.StartCounting();
        std::vector<quint16> words(300, 0);
        QVERIFY(!f.link.ReadWords(words.data(), 300));
        QCOMPARE(f.errors.Word(), quint64(0));
        QCOMPARE(deferred.mostAhead, 6);
        QCOMPARE(f.sent, QByteArray(600, char(ReadRequest)));
        QCOMPARE(words[299], Pattern(299));
        QCOMPARE(f.progress.Position(), 300);
    }

    void commandFramesAndCompletion()
    {
        LinkFixture f;
        QVERIFY(f.OpenAndRun());
        QVERIFY(!f.link.Command(CmdClearErrors, true));
        QCOMPARE(f.sent, LinkFixture::Hex("3C093E"));
        QCOMPARE(f.received, LinkFixture::Hex("3838380964"));
        QCOMPARE(f.link.ExpectedCount(), 0);
        QCOMPARE(f.link.InFlight(), 0);
        QVERIFY(!f.link.WatchdogRunning());

        // A command while a hard error is pending sends nothing.
        f.Clear();
        f.errors.RecordError(Bit::BadData);
        QVERIFY(f.link.Command(CmdClearErrors, true));
        QVERIFY(f.sent.isEmpty());
    }

    void programWordsWithEscapedByteThenStatusAndReadBack()
    {
        LinkFixture f;
        f.box.InsertChip(0, Chip877A());
        QVERIFY(f.OpenAndRun());
        QVERIFY(!Setup(f, Block(OperationCode(ActProgram, RegCode), 1, SocketA)));
        QVERIFY(!f.link.Command(CmdExecute, false));
        f.Clear();
        const quint16 words[] = {0x3FFF, 0x015C};
        QVERIFY(!f.link.SendWords(0x3FFF, words, 2));
        QCOMPARE(f.sent, LinkFixture::Hex("FF3F5C5C01"));
        QCOMPARE(f.received, QByteArray(5, '8') + 'd');
        QCOMPARE(f.box.Chip(0)->Raw(RegCode, 1), quint16(0x015C));

        // The status reply: 3C 0C 3E, then 38 38 38 0C, 14 bytes and 64.
        f.Clear();
        quint8 passing = SocketA | SocketB;
        QVERIFY(!f.link.ReadResults(passing, SocketA));
        QCOMPARE(f.sent, LinkFixture::Hex("3C0C3E"));
        QCOMPARE(f.received, LinkFixture::Hex("3838380C") + QByteArray(12, '\0') + char(SocketA) + '\0' + 'd');
        QCOMPARE(passing, quint8(SocketA));
        QCOMPARE(f.progress.Position(), f.progress.Maximum());

        // Read one word back: 72 72 out; 38, low, 38, high, 64 back.
        QVERIFY(!Setup(f, Block(OperationCode(ActRead, RegCode), 0, SocketA)));
        QVERIFY(!f.link.Command(CmdExecute, false));
        f.Clear();
        quint16 read[1] = {0};
        QVERIFY(!f.link.ReadWords(read, 1));
        QCOMPARE(f.sent, LinkFixture::Hex("7272"));
        QCOMPARE(f.received, LinkFixture::Hex("38FF383F64"));
        QCOMPARE(read[0], quint16(0x3FFF));
    }

    void countZeroStillMovesOneWord()
    {
        LinkFixture f;
        f.box.InsertChip(0, Chip877A());
        QVERIFY(f.OpenAndRun());
        QVERIFY(!Setup(f, Block(OperationCode(ActProgram, RegCode), 0, SocketA)));
        QVERIFY(!f.link.Command(CmdExecute, false));
        f.Clear();
        const quint16 words[] = {0x2805};
        QVERIFY(!f.link.SendWords(0x3FFF, words, 0));
        QCOMPARE(f.sent, LinkFixture::Hex("0528"));
        QCOMPARE(f.received, QByteArray("88d"));
        QCOMPARE(f.box.Chip(0)->Raw(RegCode, 0), quint16(0x2805));
    }

    void panelOrderAndConfigWordsOnTheWire()
    {
        LinkFixture f;
        f.box.InsertChip(0, Chip877A());
        QVERIFY(f.OpenAndRun());
        // Two panels of 4 words, 2 words per write: 0 1 | 4 5, then 2 3 | 6 7; the 8th carries 'd'.
        QVERIFY(!Setup(f, Block(OperationCode(ActProgram, RegCode), 7, SocketA)));
        QVERIFY(!f.link.Command(CmdExecute, false));
        f.Clear();
        quint16 words[8];
        for (int i = 0; i < 8; ++i)
            words[i] = quint16(0x0100 + i);
        QVERIFY(!f.link.SendPanelWords(0x3FFF, words, 0, 2, 8, 8, 2));
        QCOMPARE(f.sent, LinkFixture::Hex("00010101040105010201030106010701"));
        QCOMPARE(f.received, QByteArray(16, '8') + 'd');
        QCOMPARE(f.box.Chip(0)->Raw(RegCode, 2), quint16(0x0104));

        // Two configuration words: value and mask of each, low bytes first.
        QVERIFY(!Setup(f, Block(OperationCode(ActProgram, RegCode), 3, SocketA)));
        QVERIFY(!f.link.Command(CmdExecute, false));
        f.Clear();
        const quint16 config[] = {0x3FF1, 0x1234};
        const quint16 masks[] = {0x3FFF, 0x00FF};
        QVERIFY(!f.link.SendConfigWords(config, masks, 2, 2));
        QCOMPARE(f.sent, LinkFixture::Hex("F13FFF3F3400FF00"));
        QCOMPARE(f.received, QByteArray(8, '8') + 'd');

        // One configuration word: only the masked value.
        QVERIFY(!Setup(f, Block(OperationCode(ActProgram, RegCode), 0, SocketA)));
        QVERIFY(!f.link.Command(CmdExecute, false));
        f.Clear();
        QVERIFY(!f.link.SendConfigWords(config, masks, 1, 1));
        QCOMPARE(f.sent, LinkFixture::Hex("F13F"));
        QCOMPARE(f.received, QByteArray("88d"));
    }

    void statusReplyVoltageBitsAndMissingSocket()
    {
        LinkFixture f;
        f.box.Faults().statusVoltageBits = 0x01;
        QVERIFY(f.OpenAndRun());
        quint8 passing = SocketA;
        QVERIFY(f.link.ReadResults(passing, SocketA));
        // VDD too low from byte 13, and socket A did not pass the (empty) window.
        QCOMPARE(f.errors.Word(), quint64(Bit::VddTooLow | Bit::TaskFailed));
        QCOMPARE(f.exitCode, 0x108);
    }

    void voltageModeByteFollowsEcho()
    {
        LinkFixture f;
        QVERIFY(f.OpenAndRun());
        QVERIFY(!f.link.Command(CmdVoltageMode, false));
        const quint16 mode[] = {2};
        QVERIFY(!f.link.SendBytes(mode, 1));
        QCOMPARE(f.sent, LinkFixture::Hex("3C1A3E02"));
        QCOMPARE(f.received, LinkFixture::Hex("3838381A3864"));
    }

    void versionReplyIsLowByteFirst()
    {
        LinkFixture f;
        f.box.Identity().firmwareVersion = 0x1234;
        f.box.Identity().bootVersion = 0x0102;
        QVERIFY(!f.port.OpenTarget(QStringLiteral("loop://box"), QStringLiteral("57600")));
        f.link.ClearProtocolState();
        f.Clear();
        f.link.SendRaw('<', false, 0);
        f.link.Expect(BoxLink::ClassFirmwareVersion);
        f.link.Expect(BoxLink::ClassFirmwareVersion);
        f.link.SendRaw('I', false, 0);
        f.link.Expect(BoxLink::ClassBootVersion);
        f.link.Expect(BoxLink::ClassBootVersion);
        f.link.SendRaw('>', false, 0);
        f.link.WaitAllReplies();
        QCOMPARE(f.received, LinkFixture::Hex("34120201"));
        QCOMPARE(f.link.FirmwareVersion(), quint16(0x1234));
        QCOMPARE(f.link.BootVersion(), quint16(0x0102));
        QCOMPARE(f.errors.Word(), quint64(0));
    }

    void boxErrorBytes_data()
    {
        QTest::addColumn<int>("byte");
        QTest::addColumn<quint64>("word");
        QTest::addColumn<QByteArray>("abortSent");
        QTest::newRow("e refused") << int('e') << quint64(Bit::TaskFailed) << QByteArray();
        QTest::newRow("f failed") << int('f') << quint64(Bit::TaskFailed) << QByteArray();
        QTest::newRow("253 programming voltage")
            << 253 << quint64(Bit::ProgrammingVoltageError | Bit::TaskFailed) << LinkFixture::Hex("5CFF");
        QTest::newRow("254 all failed") << 254 << quint64(Bit::AllDevicesFailed | Bit::TaskFailed)
                                        << LinkFixture::Hex("5CFF");
    }
    void boxErrorBytes()
    {
        QFETCH(int, byte);
        QFETCH(quint64, word);
        QFETCH(QByteArray, abortSent);
        LinkFixture f;
        f.box.Faults().replyFaults.insert(CmdOperationPowerOn, quint8(byte));
        QVERIFY(f.OpenAndRun());
        QVERIFY(f.link.Command(CmdOperationPowerOn, true));
        QCOMPARE(f.errors.Word(), word);
        QVERIFY(f.link.LinkHealthy()); // soft bits only
        QCOMPARE(f.sent, LinkFixture::Hex("3C0A3E") + abortSent);
        QCOMPARE(f.link.ExpectedCount(), 0);
        QCOMPARE(f.link.InFlight(), 0);
        QCOMPARE(f.link.CurrentReplyClass(), BoxLink::NoClass);
        QVERIFY(f.port.ProgrammerReady());
        // The box answers again after the failure.
        f.errors.ClearError(0);
        QVERIFY(!f.link.Command(CmdParallelMode, true));
    }

    void garbageIsBadDataOrAFailedSpeedTrial()
    {
        {
            LinkFixture f;
            QVERIFY(f.OpenAndRun());
            f.box.Faults().garbageAfter = 0;
            QVERIFY(f.link.Command(CmdParallelMode, true));
            QCOMPARE(f.errors.Word(), quint64(Bit::BadData));
            QVERIFY(!f.link.LinkHealthy());
            QVERIFY(!f.port.ProgrammerReady());
        }
        {
            LinkFixture f;
            f.options.SetValue(72, quint8(1));
            QVERIFY(f.OpenAndRun());
            f.box.Faults().garbageAfter = 0;
            f.link.SetHighSpeedTrial(true);
            QVERIFY(f.link.Command(CmdParallelMode, true));
            QCOMPARE(f.errors.Word(), quint64(Bit::HighSpeedFailed));
            QVERIFY(f.link.HighSpeedFailed());
        }
    }

    void firstWatchdogExpiryIsAnsweredByTheAbortEscape()
    {
        LinkFixture f;
        QVERIFY(f.OpenAndRun());
        // Command 5 is echo only: a completion that never comes.
        QVERIFY(f.link.Command(CmdVddOn, true));
        QCOMPARE(f.sent, LinkFixture::Hex("3C053E5CFF"));
        QCOMPARE(f.received, LinkFixture::Hex("38383805") + "f");
        QCOMPARE(f.errors.Word(), quint64(Bit::AllDevicesFailed | Bit::TaskFailed));
        QVERIFY(f.link.FirstTimeout());
        QVERIFY(f.port.ProgrammerReady());
        QVERIFY(!f.link.WatchdogRunning());
    }

    void silentBoxExpiresTwice()
    {
        LinkFixture f;
        QVERIFY(f.OpenAndRun());
        f.box.Faults().silentAfter = 0;
        const qint64 started = f.clock.NowMs();
        QVERIFY(f.link.Command(CmdParallelMode, true));
        // The watchdog's full time, twice: once before the abort escape, once after it (and the
        // end of the read that was waiting when it expired).
        const qint64 waited = f.clock.NowMs() - started;
        QVERIFY2(waited >= 2 * BoxLink::WatchdogMs && waited < 2 * BoxLink::WatchdogMs + LinkPort::ReadTotalMs + 10,
                 qPrintable(QString::number(waited)));
        QCOMPARE(f.sent, LinkFixture::Hex("3C103E5CFF"));
        QCOMPARE(f.errors.Word(), quint64(Bit::AllDevicesFailed | Bit::TaskFailed | Bit::NotResponding));
        QVERIFY(!f.port.ProgrammerReady());
        QVERIFY(!f.link.FirstTimeout());
        QVERIFY(!f.link.WatchdogRunning());
    }

    void speedTrialTimeoutIsHighSpeedFailure()
    {
        LinkFixture f;
        QVERIFY(f.OpenAndRun());
        f.box.Faults().silentAfter = 0;
        f.link.SetHighSpeedTrial(true);
        QVERIFY(f.link.Command(CmdParallelMode, true));
        QCOMPARE(f.errors.Word(), quint64(Bit::HighSpeedFailed));
        QVERIFY(f.link.HighSpeedFailed());
        QCOMPARE(f.sent, LinkFixture::Hex("3C103E")); // no abort escape during the trial
    }

    void aFullQueueIsNeverWrittenPastItsEnd()
    {
        LinkFixture f;
        QVERIFY(f.OpenAndRun());
        f.box.Faults().silentAfter = 0;
        f.link.SendFramed('<', false, 0);
        for (int i = 0; i < BoxLink::QueueCapacity + 10; ++i)
            f.link.Expect(BoxLink::ClassBlock);
        QVERIFY(f.link.ExpectedCount() <= BoxLink::QueueCapacity);
        QVERIFY(!f.link.LinkHealthy());
        QVERIFY(f.errors.Has(Bit::NotResponding));
    }

    void stopEscapeIsAcknowledgedTwice()
    {
        LinkFixture f;
        QVERIFY(f.OpenAndRun());
        f.link.SendStopEscape();
        QCOMPARE(f.sent, LinkFixture::Hex("5C5D"));
        QCOMPARE(f.received, QByteArray("88"));
        QCOMPARE(f.errors.Word(), quint64(0));
    }
};

QTEST_GUILESS_MAIN(TestBoxLinkWire)
#include "TestBoxLinkWire.moc"
