// praxon-boxsim as a separate process on 127.0.0.1, reached through our rfc2217:// transport and
// through an independent RFC 2217 client (Debian's python3-serial).

#include "BoxHarness.h"
#include "Rfc2217Server.h"
#include "ScriptedOperator.h"
#include "core/context/HistoryLog.h"
#include "core/context/ProgramFlags.h"
#include "core/link/EventWait.h"
#include "core/link/LinkPort.h"
#include "core/link/PortFactory.h"
#include "core/link/Rfc2217Transport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace BoxProtocol;

namespace {

QByteArray ReadExactly(SerialTransport& t, int count, int timeoutMs = 3000)
{
    WaitForCondition([&] { return t.BytesAvailable() >= count || !t.IsOpen(); }, timeoutMs);
    return t.Take(count);
}

} // namespace

class TestBoxSimProcess : public QObject
{
    Q_OBJECT

    // Starts praxon-boxsim on a free loopback port; returns the port (0 on failure).
    quint16 Start(QProcess& process, const QStringList& extra)
    {
        const QString program = TestPaths::RuntimeDir() + QStringLiteral("praxon-boxsim");
        process.start(program, QStringList{QStringLiteral("--listen"), QStringLiteral("127.0.0.1:0")} + extra);
        if (!process.waitForStarted(5000))
            return 0;
        if (!WaitForCondition([&] { return process.canReadLine() || process.state() != QProcess::Running; }, 5000))
            return 0;
        const QString line = QString::fromUtf8(process.readLine());
        const QRegularExpressionMatch m =
            QRegularExpression(QStringLiteral("rfc2217://127\\.0\\.0\\.1:(\\d+)")).match(line);
        return m.hasMatch() ? quint16(m.captured(1).toUInt()) : 0;
    }

private slots:
    void programmedThroughTheNetworkAndDumped()
    {
        QTemporaryDir dumps;
        QProcess process;
        const quint16 port =
            Start(process, {QStringLiteral("--dump-dir"), dumps.path(), QStringLiteral("--socket"),
                            QStringLiteral("B=empty"), QStringLiteral("--serial"), QStringLiteral("77")});
        QVERIFY2(port != 0, process.readAllStandardError().constData());

        Rfc2217Transport t(QStringLiteral("rfc2217://127.0.0.1:%1").arg(port));
        QString error;
        QVERIFY2(t.Open(&error), qPrintable(error));
        QVERIFY2(t.Configure(NormalBaud, &error), qPrintable(error));
        QVERIFY(t.SetDtr(true, &error) && t.SetDtr(false, &error));
        QVERIFY(t.Write("<I>", &error));
        QCOMPARE(ReadExactly(t, 4), QByteArray::fromHex("18010201")); // table VERSION 280, boot 0x0102
        QVERIFY(t.Write("<R>", &error));
        QCOMPARE(ReadExactly(t, 1), QByteArray("f"));

        // Identification, then program two words into socket A and C (B is empty).
        t.Write(BoxHarness::Frame(CmdReadIdentification) + QByteArray(8, 'r'), &error);
        const QByteArray id = ReadExactly(t, 4 + 16 + 1);
        QCOMPARE(id.mid(4, 2), QByteArray("8") + char(77));
        const QByteArray block = BoxHarness::Block(OperationCode(ActProgram, RegCode), 1, SocketA | SocketB | SocketC,
                                                   CountLastIndex, UnitWord, 0x3FFF);
        QByteArray session = BoxHarness::Frame(CmdParameterBlock) + BoxHarness::Escaped(block) +
                             BoxHarness::Frame(CmdPayload) + QByteArray::fromHex("03140208") +
                             BoxHarness::Frame(CmdExecute) + QByteArray::fromHex("0528FF00");
        QVERIFY(t.Write(session, &error));
        const int expected = (4 + 19 + 1) + (4 + 4 + 1) + (4 + 4 + 1);
        QCOMPARE(ReadExactly(t, expected).right(1), QByteArray("d"));
        t.Write(BoxHarness::Frame(CmdReadStatus), &error);
        const QByteArray status = ReadExactly(t, 4 + StatusReplySize + 1).mid(4, StatusReplySize);
        QCOMPARE(quint8(status[12]), quint8(SocketA | SocketC));
        t.Close();

        process.write("quit\n");
        QVERIFY(process.waitForFinished(5000));
        QCOMPARE(process.exitCode(), 0);
        QFile socketA(QDir(dumps.path()).filePath(QStringLiteral("socketA.hex")));
        QVERIFY(socketA.open(QIODevice::ReadOnly));
        QVERIFY(socketA.readAll().startsWith(":100000000528FF00FF3F"));
        QVERIFY(!QFile::exists(QDir(dumps.path()).filePath(QStringLiteral("socketB.hex"))));
        QVERIFY(QFile::exists(QDir(dumps.path()).filePath(QStringLiteral("socketC.hex"))));
    }

    void linkPortOpensTheNetworkBox()
    {
        QProcess process;
        const quint16 port = Start(process, {});
        QVERIFY(port != 0);
        HistoryLog history;
        ScriptedOperator op;
        ProgramFlags flags;
        PortFactory factory;
        LinkPort link(history, op, flags, factory);
        link.SetPauseInterval(20);
        // The 57600 open resets the box with a DTR pulse: the loader answers at once.
        QVERIFY(!link.OpenTarget(QStringLiteral("rfc2217://127.0.0.1:%1").arg(port), QStringLiteral("57600")));
        QVERIFY(link.WritePort("<I>"));
        QCOMPARE(link.ReadPort(4), QByteArray::fromHex("18010201"));
        QVERIFY(op.boxes.isEmpty());
        link.ClosePort();
        process.terminate(); // SIGTERM ends it normally
        QVERIFY(process.waitForFinished(5000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    }

    void pythonSerialCompletesTheBootLoaderHandshake()
    {
        if (QProcess::execute(QStringLiteral("/usr/bin/python3"),
                              {QStringLiteral("-c"), QStringLiteral("import serial.rfc2217")}) != 0)
            QSKIP("python3-serial is not installed");
        QProcess process;
        const quint16 port = Start(process, {QStringLiteral("--firmware-version"), QStringLiteral("0x0105")});
        QVERIFY(port != 0);
        const QString script =
            QStringLiteral("import serial, sys\n"
                           "s = serial.serial_for_url('rfc2217://127.0.0.1:%1', baudrate=57600, timeout=3)\n"
                           "s.baudrate = 57600\n"
                           "s.dtr = True\n"
                           "s.dtr = False\n"
                           "s.write(b'<I>')\n"
                           "print(s.read(4).hex())\n"
                           "s.write(b'<R>')\n"
                           "print(s.read(1).hex())\n"
                           "s.write(b'<\\x09>')\n"
                           "print(s.read(5).hex())\n"
                           "s.close()\n")
                .arg(port);
        QProcess python;
        python.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), script});
        QVERIFY(python.waitForFinished(20000));
        const QStringList lines = QString::fromUtf8(python.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
        QVERIFY2(python.exitCode() == 0, python.readAllStandardError().constData());
        QCOMPARE(lines, (QStringList{QStringLiteral("05010201"), QStringLiteral("66"), QStringLiteral("3838380964")}));
        process.write("quit\n");
        QVERIFY(process.waitForFinished(5000));
    }

    void timingModelPacesRepliesLikeAUsbAdapter()
    {
        // In process: the server and a client on one event loop, with a 16 ms adapter latency.
        BoxSimulator box;
        box.EnableTiming(16);
        Rfc2217Server server(box);
        QString error;
        QVERIFY(server.Listen(QHostAddress::LocalHost, 0, &error));
        Rfc2217Transport t(QStringLiteral("rfc2217://127.0.0.1:%1").arg(server.Port()));
        QVERIFY(t.Open(&error));
        QVERIFY(t.Configure(NormalBaud, &error));
        t.SetDtr(true, &error);
        t.SetDtr(false, &error);
        QVERIFY(WaitForCondition([&] { return box.Resets() == 1; }, 2000));
        QElapsedTimer clock;
        clock.start();
        t.Write("<I>", &error);
        QCOMPARE(ReadExactly(t, 4), QByteArray::fromHex("18010201"));
        // 3 bytes out and 4 back at 57600 take about 1.2 ms; the adapter holds the reply for its
        // latency of 16 ms because 4 bytes never fill a packet.
        QVERIFY2(clock.elapsed() >= 15, qPrintable(QString::number(clock.elapsed())));
        // A reply that fills packets is handed over packet by packet without waiting.
        t.Write("<L>", &error);
        QCOMPARE(ReadExactly(t, 1), QByteArray("L"));
        clock.restart();
        t.Write(QByteArray(620, '\0'), &error);
        QCOMPARE(ReadExactly(t, 620, 5000), QByteArray(620, 'y'));
        // 620 bytes at 5760 bytes per second cannot arrive in less than about 108 ms.
        QVERIFY2(clock.elapsed() >= 100, qPrintable(QString::number(clock.elapsed())));
    }
};

QTEST_GUILESS_MAIN(TestBoxSimProcess)
#include "TestBoxSimProcess.moc"
