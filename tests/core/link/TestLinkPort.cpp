// The link's port layer: opening, reporting failures, DTR pulses, reads with time-outs.

#include "ScriptedOperator.h"
#include "core/context/HistoryLog.h"
#include "core/context/ProgramFlags.h"
#include "core/link/BoxEndpoint.h"
#include "core/link/LinkPort.h"
#include "core/link/LinkPortHooks.h"
#include "core/link/PortFactory.h"

#include <QElapsedTimer>
#include <QTest>
#include <QTimer>

namespace {

// A far end that records what the host did and answers each byte it receives with its value + 1.
class RecordingEndpoint : public BoxEndpoint
{
public:
    void AttachHost(Sink sink) override { m_sink = std::move(sink); }
    void HostLineRate(qint32 baud) override { events << QStringLiteral("baud %1").arg(baud); }
    void HostDtr(bool raised) override { events << (raised ? QStringLiteral("dtr on") : QStringLiteral("dtr off")); }
    void HostBytes(const QByteArray& bytes) override
    {
        received += bytes;
        if (answer && m_sink) {
            QByteArray reply;
            for (const char c : bytes)
                reply.append(char(c + 1));
            m_sink(reply);
        }
    }

    QStringList events;
    QByteArray received;
    bool answer = true;

private:
    Sink m_sink;
};

class CountingHooks : public LinkPortHooks
{
public:
    void PortOpened() override { ++opened; }
    void PortClosed() override { ++closed; }
    void ResetLinkState() override { ++linkResets; }
    void FirmwareHandshake() override { ++handshakes; }
    void WriteStarted() override { ++writes; }
    void WriteFailed() override { ++writeFailures; }
    bool StopRequested() const override { return stop; }
    int opened = 0, closed = 0, linkResets = 0, handshakes = 0, writes = 0, writeFailures = 0;
    bool stop = false;
};

} // namespace

class TestLinkPort : public QObject
{
    Q_OBJECT

    struct Rig {
        Rig() : port(history, op, flags, factory)
        {
            factory.RegisterLoopback(QStringLiteral("box"), &endpoint);
            port.SetHooks(&hooks);
            port.SetPauseInterval(5);
        }
        HistoryLog history;
        ScriptedOperator op;
        ProgramFlags flags;
        PortFactory factory;
        RecordingEndpoint endpoint;
        CountingHooks hooks;
        LinkPort port;
    };

private slots:
    void errorTextsAndCategoryOrder()
    {
        QCOMPARE(PortErrorText(PortErrorCategory::Opening), QStringLiteral(" Error Opening Port"));
        QCOMPARE(PortErrorText(PortErrorCategory::ReadFailed), QStringLiteral(" Read From Port Failed"));
        QCOMPARE(PortErrorText(PortErrorCategory(PortErrorCategoryCount)), QString());
        QCOMPARE(PortSystemText(QStringLiteral("No such file or directory\r\nThe path is missing: path")),
                 QStringLiteral("No such Port or directory  The Port is missing: path"));
        // The first line error in the fixed order wins; none, or a failed query, gives the fallback.
        const LineErrors all = LineError::Break | LineError::Framing | LineError::IoError |
                               LineError::ModeNotSupported | LineError::Overrun | LineError::ReceiveOverflow |
                               LineError::Parity | LineError::TransmitFull;
        QCOMPARE(ChooseLineErrorCategory(all, true, PortErrorCategory::WriteFailed), PortErrorCategory::TransmitFull);
        QCOMPARE(ChooseLineErrorCategory(LineError::Framing | LineError::Overrun, true, PortErrorCategory::ReadFailed),
                 PortErrorCategory::Overrun);
        QCOMPARE(ChooseLineErrorCategory(LineError::Parity | LineError::IoError | LineError::Break, true,
                                         PortErrorCategory::ReadFailed),
                 PortErrorCategory::Parity);
        QCOMPARE(ChooseLineErrorCategory(LineError::Break, true, PortErrorCategory::ReadFailed),
                 PortErrorCategory::Break);
        QCOMPARE(ChooseLineErrorCategory(LineError::None, true, PortErrorCategory::WriteFailed),
                 PortErrorCategory::WriteFailed);
        QCOMPARE(ChooseLineErrorCategory(all, false, PortErrorCategory::ReadFailed), PortErrorCategory::ReadFailed);
    }

    void openFailureIsLoggedAndShown()
    {
        Rig rig;
        QVERIFY(rig.port.OpenTarget(QStringLiteral("/nonexistent/praxon-tty"), QStringLiteral("57600")));
        const QStringList lines = rig.history.DisplayText();
        QVERIFY(lines.contains(QStringLiteral(" Error Opening Port: ")));
        const QString detail = lines.last();
        QVERIFY2(detail.startsWith(QStringLiteral("  ")) && !detail.contains(QStringLiteral("file")),
                 qPrintable(detail));
        QCOMPARE(rig.op.boxes.size(), 1);
        QCOMPARE(rig.op.boxes[0].caption, QStringLiteral(" Error Opening Port"));
        QCOMPARE(rig.op.boxes[0].text, QStringLiteral(" Error Opening Port: \r") + detail.mid(2));
        QCOMPARE(rig.op.boxes[0].icon, BoxIcon::Error);
        QVERIFY(!rig.port.ProgrammerReady());
        QCOMPARE(rig.hooks.closed, 1); // the close before every open records the port error

        // With ExitOnErrors the failure is logged but no box is shown; a missing loop box fails alike.
        Rig quiet;
        quiet.flags.ExitOnErrors = true;
        QVERIFY(quiet.port.OpenTarget(QStringLiteral("loop://nobody"), QStringLiteral("57600")));
        QVERIFY(quiet.history.DisplayText().contains(QStringLiteral(" Error Opening Port: ")));
        QVERIFY(quiet.op.boxes.isEmpty());
    }

    void normalRateOpenPulsesDtrAndHighRateDoesNot()
    {
        Rig rig;
        QVERIFY(!rig.port.OpenTarget(QStringLiteral("loop://box"), QStringLiteral("57600")));
        QCOMPARE(rig.endpoint.events,
                 (QStringList{QStringLiteral("baud 57600"), QStringLiteral("dtr on"), QStringLiteral("dtr off")}));
        QVERIFY(rig.port.ProgrammerReady());
        QCOMPARE(rig.hooks.opened, 1);
        QCOMPARE(rig.hooks.linkResets, 1);
        QCOMPARE(rig.hooks.handshakes, 1);

        rig.endpoint.events.clear();
        QVERIFY(!rig.port.OpenTarget(QStringLiteral("loop://box"), QStringLiteral("115200")));
        QCOMPARE(rig.endpoint.events, QStringList{QStringLiteral("baud 115200")});
        QCOMPARE(rig.hooks.handshakes, 1);

        // A reset that leaves the run stopped closes the port again.
        rig.hooks.stop = true;
        QVERIFY(rig.port.OpenTarget(QStringLiteral("loop://box"), QStringLiteral("57600")));
        QVERIFY(!rig.port.IsOpen());
        QVERIFY(!rig.port.ProgrammerReady());
    }

    void portNumbersResolveThroughTheEnvironment()
    {
        qputenv("PRAXON_COM3", "loop://box");
        QCOMPARE(LinkPort::DefaultPortTarget(3), QStringLiteral("loop://box"));
        Rig rig;
        QVERIFY(!rig.port.OpenPort(3, QStringLiteral("115200")));
        QVERIFY(rig.port.IsOpen());
        qunsetenv("PRAXON_COM3");
        QVERIFY(!LinkPort::DefaultPortTarget(3).startsWith(QStringLiteral("loop:")));
    }

    void writeAndReadWithTimeouts()
    {
        Rig rig;
        QVERIFY(!rig.port.OpenTarget(QStringLiteral("loop://box"), QStringLiteral("115200")));
        QVERIFY(rig.port.WritePort("ab"));
        QCOMPARE(rig.hooks.writes, 1);
        QCOMPARE(rig.endpoint.received, QByteArray("ab"));
        QCOMPARE(rig.port.ReadPort(2), QByteArray("bc"));
        // Fewer bytes than asked: the read ends after the quiet gap, long before its total time.
        rig.port.WritePort("x");
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(rig.port.ReadPort(10), QByteArray("y"));
        QVERIFY(clock.elapsed() < 200);
        // Nothing at all: the read gives up after 250 ms + 5 ms per requested byte.
        rig.endpoint.answer = false;
        clock.restart();
        QCOMPARE(rig.port.ReadPort(4), QByteArray());
        QVERIFY2(clock.elapsed() >= 265 && clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
        // A purge of the receive side drops what arrived.
        rig.endpoint.answer = true;
        rig.port.WritePort("q");
        rig.port.PurgePort(true, false);
        rig.endpoint.answer = false;
        QCOMPARE(rig.port.ReadPort(1), QByteArray());
    }

    void failedWriteIsReportedAndClosesThePort()
    {
        Rig rig;
        QVERIFY(!rig.port.OpenTarget(QStringLiteral("loop://box"), QStringLiteral("115200")));
        rig.port.Transport()->Close(); // the device went away under the link
        QVERIFY(!rig.port.WritePort("a"));
        QCOMPARE(rig.hooks.writeFailures, 1);
        QVERIFY(rig.history.DisplayText().contains(QStringLiteral(" Write To Port Failed: ")));
        QCOMPARE(rig.op.boxes.last().caption, QStringLiteral(" Write To Port Failed"));
        QVERIFY(!rig.port.IsOpen());
        QVERIFY(!rig.port.ProgrammerReady());
        // Reading a closed port is reported as a read failure.
        rig.op.Clear();
        QCOMPARE(rig.port.ReadPort(1), QByteArray());
        QCOMPARE(rig.op.boxes.last().caption, QStringLiteral(" Read From Port Failed"));
    }

    void pauseKeepsTheEventLoopRunning()
    {
        Rig rig;
        rig.port.SetPauseInterval(LinkPort::PauseMs);
        bool timerRan = false;
        QTimer::singleShot(20, [&timerRan] { timerRan = true; });
        QElapsedTimer clock;
        clock.start();
        rig.port.Pause();
        QVERIFY(clock.elapsed() >= LinkPort::PauseMs - 5);
        QVERIFY(timerRan);
        QVERIFY(!rig.port.Pausing());
    }
};

QTEST_GUILESS_MAIN(TestLinkPort)
#include "TestLinkPort.moc"
