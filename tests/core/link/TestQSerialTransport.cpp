// The serial-device transport against a pseudo-terminal: the transport opens the slave side by its
// path, the test plays the device on the master side and inspects the slave's line settings.

#include "ScriptedOperator.h"
#include "core/context/HistoryLog.h"
#include "core/context/ProgramFlags.h"
#include "core/link/LinkPort.h"
#include "core/link/PortFactory.h"
#include "core/link/QSerialTransport.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <optional>
#include <utility>

namespace {

// A pseudo-terminal: the master is the far end, the slave is the device the transport opens.
// The test keeps its own descriptor of the slave to read the line settings the transport set.
class Pty
{
public:
    Pty()
    {
        m_master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
        char name[128] = {};
        if (m_master < 0 || grantpt(m_master) != 0 || unlockpt(m_master) != 0 ||
            ptsname_r(m_master, name, sizeof name) != 0)
            return;
        path = QString::fromLocal8Bit(name);
        m_slave = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK);
    }
    ~Pty()
    {
        CloseMaster();
        if (m_slave >= 0)
            ::close(m_slave);
    }
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;

    bool Valid() const { return m_master >= 0 && m_slave >= 0; }
    void CloseMaster()
    {
        if (m_master >= 0)
            ::close(m_master);
        m_master = -1;
    }

    bool Send(const QByteArray& bytes) const
    {
        qsizetype done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(m_master, bytes.constData() + done, size_t(bytes.size() - done));
            if (n < 0)
                return false;
            done += n;
        }
        return true;
    }

    // What reaches the master within timeoutMs, up to count bytes; the event loop keeps running so
    // that the transport can hand over what it still holds.
    QByteArray Receive(qsizetype count, int timeoutMs = 3000) const
    {
        QByteArray out;
        const QDeadlineTimer deadline(timeoutMs);
        char buffer[4096];
        while (out.size() < count && !deadline.hasExpired()) {
            const ssize_t n = ::read(m_master, buffer, size_t(qMin<qsizetype>(sizeof buffer, count - out.size())));
            if (n > 0) {
                out.append(buffer, n);
                continue;
            }
            QCoreApplication::processEvents();
            pollfd readable{m_master, POLLIN, 0};
            ::poll(&readable, 1, 5);
        }
        return out;
    }

    termios SlaveSettings() const
    {
        termios settings{};
        tcgetattr(m_slave, &settings);
        return settings;
    }

    QString path;

private:
    int m_master = -1;
    int m_slave = -1;
};

QByteArray AllByteValues()
{
    QByteArray bytes;
    for (int value = 0; value < 256; ++value)
        bytes.append(char(value));
    return bytes;
}

qint64 ProcessCpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return qint64(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

struct LinkRig {
    LinkRig() : port(history, op, flags, factory) { port.SetPauseInterval(5); }
    HistoryLog history;
    ScriptedOperator op;
    ProgramFlags flags;
    PortFactory factory;
    LinkPort port;
};

} // namespace

class TestQSerialTransport : public QObject
{
    Q_OBJECT

private slots:
    void init() { QVERIFY2(m_pty.emplace().Valid(), "no pseudo-terminal available"); }
    void cleanup() { m_pty.reset(); }

    void opensByPathWithEightNoneOneRaw()
    {
        QSerialTransport transport(m_pty->path);
        QCOMPARE(transport.Target(), m_pty->path);
        QString error;
        QVERIFY2(transport.Open(&error), qPrintable(error)); // low latency is refused by a pty: no matter
        QVERIFY(transport.IsOpen());

        for (const auto& [baud, speed] : {std::pair{57600, speed_t(B57600)}, std::pair{115200, speed_t(B115200)}}) {
            QVERIFY2(transport.Configure(baud, &error), qPrintable(error));
            const termios settings = m_pty->SlaveSettings();
            QCOMPARE(cfgetospeed(&settings), speed);
            QCOMPARE(cfgetispeed(&settings), speed);
            QCOMPARE(settings.c_cflag & CSIZE, tcflag_t(CS8));
            QCOMPARE(settings.c_cflag & (PARENB | CSTOPB | CRTSCTS), tcflag_t(0));
            QVERIFY(settings.c_cflag & CREAD);
            QVERIFY(settings.c_cflag & CLOCAL);
            QCOMPARE(settings.c_lflag & (ICANON | ECHO | ECHONL | ISIG | IEXTEN), tcflag_t(0));
            QCOMPARE(settings.c_iflag & (IXON | IXOFF | IXANY | ICRNL | INLCR | IGNCR | ISTRIP | PARMRK), tcflag_t(0));
            QCOMPARE(settings.c_oflag & OPOST, tcflag_t(0));
        }

        // The device is held exclusively: a second transport on it is refused, the first goes on.
        QSerialTransport second(m_pty->path);
        QVERIFY(!second.Open(&error));
        QVERIFY(!error.isEmpty());
        QVERIFY(transport.Write("ok", &error));
        QCOMPARE(m_pty->Receive(2), QByteArray("ok"));
    }

    void everyByteValueCrossesBothWays()
    {
        QSerialTransport transport(m_pty->path);
        QString error;
        QVERIFY(transport.Open(&error) && transport.Configure(57600, &error));
        // The protocol's escape (0x5C) and abort (0xFF) bytes and a zero first, then every value
        // (among them the control characters a cooked terminal would translate, swallow or act on).
        const QByteArray special("\x5C\xFF\x00", 3);
        const QByteArray bytes = special + AllByteValues();

        QVERIFY2(transport.Write(bytes, &error), qPrintable(error));
        QCOMPARE(m_pty->Receive(bytes.size()), bytes);

        QSignalSpy arrived(&transport, &SerialTransport::DataArrived);
        QVERIFY(m_pty->Send(bytes));
        QTRY_VERIFY_WITH_TIMEOUT(transport.BytesAvailable() >= bytes.size(), 3000);
        QVERIFY(!arrived.isEmpty());
        QCOMPARE(transport.Take(3), special);
        QCOMPARE(transport.Take(1000), AllByteValues());
        QCOMPARE(transport.Take(1), QByteArray());
    }

    void fullTransmitQueueIsNotAFailure()
    {
        // More than the pseudo-terminal buffers while nobody reads: the driver refuses for a while
        // (EAGAIN), the transport keeps the rest and sends it once the far end reads.
        QSerialTransport transport(m_pty->path);
        QString error;
        QVERIFY(transport.Open(&error) && transport.Configure(115200, &error));
        QByteArray bulk;
        for (int i = 0; i < 200000; ++i)
            bulk.append(char(i * 7));
        QVERIFY2(transport.Write(bulk, &error), qPrintable(error));
        QVERIFY(transport.Write("end", &error));
        QVERIFY(transport.IsOpen());
        QCOMPARE(m_pty->Receive(bulk.size() + 3, 10000), bulk + "end");
        bool queryOk = false;
        QCOMPARE(transport.TakeLineErrors(&queryOk), LineErrors());
        QVERIFY(transport.IsOpen());
    }

    void purgeDropsPendingInput()
    {
        QSerialTransport transport(m_pty->path);
        QString error;
        QVERIFY(transport.Open(&error) && transport.Configure(57600, &error));
        // Bytes already collected by the transport ...
        QVERIFY(m_pty->Send("stale"));
        QTRY_COMPARE_WITH_TIMEOUT(transport.BytesAvailable(), qint64(5), 3000);
        QVERIFY2(transport.Purge(true, false, &error), qPrintable(error));
        QCOMPARE(transport.BytesAvailable(), qint64(0));
        // ... and bytes still in the driver's queue are both dropped.
        QVERIFY(m_pty->Send("queued"));
        QTest::qSleep(30); // the event loop does not run: the bytes wait in the driver
        QVERIFY(transport.Purge(true, true, &error));
        QTest::qWait(50);
        QCOMPARE(transport.Take(100), QByteArray());
        // Input after the purge is read as usual.
        QVERIFY(m_pty->Send("new"));
        QTRY_COMPARE_WITH_TIMEOUT(transport.BytesAvailable(), qint64(3), 3000);
        QCOMPARE(transport.Take(3), QByteArray("new"));
        QVERIFY(transport.Purge(false, false, &error)); // nothing to purge is no failure
    }

    void closesAndReopens()
    {
        QSerialTransport transport(m_pty->path);
        QString error;
        QVERIFY(transport.Open(&error) && transport.Configure(57600, &error));
        transport.Close();
        QVERIFY(!transport.IsOpen());
        QVERIFY(!transport.Write("x", &error));
        QVERIFY(!error.isEmpty());
        QVERIFY(!transport.Purge(true, true, &error));
        QVERIFY(!transport.SetDtr(true, &error));
        transport.Close(); // closing twice is harmless

        // Reopened, at the other rate, the device works as before; a second transport may now
        // take it once this one has let go.
        QVERIFY2(transport.Open(&error), qPrintable(error));
        QVERIFY(transport.Configure(115200, &error));
        const termios settings = m_pty->SlaveSettings();
        QCOMPARE(cfgetospeed(&settings), speed_t(B115200));
        QVERIFY(transport.Write("again", &error));
        QCOMPARE(m_pty->Receive(5), QByteArray("again"));
        QVERIFY(m_pty->Send("back"));
        QTRY_COMPARE_WITH_TIMEOUT(transport.BytesAvailable(), qint64(4), 3000);
        QCOMPARE(transport.Take(4), QByteArray("back"));
        transport.Close();
        QSerialTransport other(m_pty->path);
        QVERIFY2(other.Open(&error), qPrintable(error));
    }

    void openFailuresAreReportedWithPortInTheText()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString plainFile = dir.filePath(QStringLiteral("not-a-tty"));
        {
            QFile file(plainFile);
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        QString error;
        QSerialTransport missing(dir.filePath(QStringLiteral("no-such-tty")));
        QVERIFY(!missing.Open(&error));
        QVERIFY2(error.contains(QStringLiteral("No such file or directory")), qPrintable(error));
        QVERIFY(!missing.IsOpen());
        for (const QString& path : {plainFile, dir.path()}) {
            QSerialTransport notATerminal(path);
            error.clear();
            QVERIFY2(!notATerminal.Open(&error), qPrintable(path));
            QVERIFY(!error.isEmpty());
            QVERIFY(!notATerminal.IsOpen());
        }

        // The link reports the missing device with the operator's wording.
        LinkRig rig;
        QVERIFY(rig.port.OpenTarget(dir.filePath(QStringLiteral("no-such-tty")), QStringLiteral("57600")));
        const QStringList lines = rig.history.DisplayText();
        QCOMPARE(lines.mid(lines.size() - 2),
                 (QStringList{QStringLiteral(" Error Opening Port: "), QStringLiteral("  No such Port or directory")}));
        QCOMPARE(rig.op.boxes.size(), 1);
        QCOMPARE(rig.op.boxes[0].caption, QStringLiteral(" Error Opening Port"));
        QCOMPARE(rig.op.boxes[0].text, QStringLiteral(" Error Opening Port: \rNo such Port or directory"));
        QVERIFY(!rig.port.IsOpen());
    }

    void dtrPulseOnADeviceWithoutModemLinesFails()
    {
        QSerialTransport transport(m_pty->path);
        QString error;
        QVERIFY(transport.Open(&error) && transport.Configure(57600, &error));
        QVERIFY(!transport.SetDtr(true, &error));
        QVERIFY2(error.contains(QStringLiteral("Inappropriate ioctl")), qPrintable(error));
        QVERIFY(!transport.SetDtr(false, &error));
        // The refused control call is its own failure, not a line error of a later transfer,
        // and the device stays usable.
        bool queryOk = false;
        QCOMPARE(transport.TakeLineErrors(&queryOk), LineErrors());
        QVERIFY(queryOk);
        QVERIFY(transport.IsOpen());
        QVERIFY(transport.Write("\x01", &error));
        QCOMPARE(m_pty->Receive(1), QByteArray("\x01"));
        transport.Close();

        // Through the link: a 57600 open opens and configures the device, then its reset pulse is
        // reported as a handshake failure and the port is closed; a 115200 open needs no pulse.
        LinkRig rig;
        QVERIFY(rig.port.OpenTarget(m_pty->path, QStringLiteral("57600")));
        QStringList lines = rig.history.DisplayText();
        QCOMPARE(lines.mid(lines.size() - 2), (QStringList{QStringLiteral(" Error with COM Handshake: "),
                                                           QStringLiteral("  Inappropriate ioctl for device")}));
        QCOMPARE(rig.op.boxes.size(), 1);
        QCOMPARE(rig.op.boxes[0].caption, QStringLiteral(" Error with COM Handshake"));
        QVERIFY(!lines.contains(QStringLiteral(" Error Opening Port: ")));
        QVERIFY(!rig.port.IsOpen());
        QVERIFY(!rig.port.ProgrammerReady());

        rig.op.Clear();
        const qsizetype before = rig.history.DisplayText().size();
        QVERIFY(!rig.port.OpenTarget(m_pty->path, QStringLiteral("115200")));
        QVERIFY(rig.port.IsOpen());
        QVERIFY(rig.port.ProgrammerReady());
        QCOMPARE(rig.history.DisplayText().size(), before);
        QVERIFY(rig.op.boxes.isEmpty());
        QVERIFY(rig.port.WritePort("\x5C\xFF"));
        QCOMPARE(m_pty->Receive(2), QByteArray("\x5C\xFF"));
        QVERIFY(m_pty->Send(QByteArray("\x00\x5C", 2)));
        QCOMPARE(rig.port.ReadPort(2), QByteArray("\x00\x5C", 2));
    }

    void writeAfterTheFarEndHungUpIsAnIoError()
    {
        QSerialTransport transport(m_pty->path);
        QString error;
        QVERIFY(transport.Open(&error) && transport.Configure(115200, &error));
        m_pty->CloseMaster();
        QVERIFY(!transport.Write("lost", &error));
        QVERIFY(!error.isEmpty());
        QVERIFY(!transport.IsOpen());
        bool queryOk = false;
        const LineErrors errors = transport.TakeLineErrors(&queryOk);
        QVERIFY(queryOk);
        QCOMPARE(errors, LineErrors(LineError::IoError));
        QCOMPARE(ChooseLineErrorCategory(errors, queryOk, PortErrorCategory::WriteFailed), PortErrorCategory::IoError);
        QVERIFY(!transport.Write("more", &error));

        // The dead device is let go of: the process does not spin on it while idle.
        const qint64 cpuBefore = ProcessCpuMs();
        QTest::qWait(200);
        QVERIFY2(ProcessCpuMs() - cpuBefore < 60, qPrintable(QString::number(ProcessCpuMs() - cpuBefore)));
        QVERIFY(!transport.IsOpen());
    }

    void hangUpsAreReportedByTheLink()
    {
        // A read waiting for the box when the far end goes away.
        {
            LinkRig rig;
            QVERIFY(!rig.port.OpenTarget(m_pty->path, QStringLiteral("115200")));
            QTimer::singleShot(30, [this] { m_pty->CloseMaster(); });
            QCOMPARE(rig.port.ReadPort(4), QByteArray());
            const QStringList lines = rig.history.DisplayText();
            QVERIFY2(lines.contains(QStringLiteral(" I/O Error Detected on Port: ")), qPrintable(lines.join(u'|')));
            QCOMPARE(rig.op.boxes.size(), 1);
            QCOMPARE(rig.op.boxes[0].caption, QStringLiteral(" I/O Error Detected on Port"));
            QVERIFY(!rig.port.IsOpen());
        }
        // A write after the far end went away while the link was idle.
        m_pty.emplace();
        QVERIFY(m_pty->Valid());
        LinkRig rig;
        QVERIFY(!rig.port.OpenTarget(m_pty->path, QStringLiteral("115200")));
        m_pty->CloseMaster();
        QTest::qWait(20);
        QVERIFY(!rig.port.WritePort("x"));
        QCOMPARE(rig.op.boxes.size(), 1);
        QCOMPARE(rig.op.boxes[0].caption, QStringLiteral(" I/O Error Detected on Port"));
        QVERIFY(!rig.port.IsOpen());
    }

private:
    std::optional<Pty> m_pty;
};

QTEST_GUILESS_MAIN(TestQSerialTransport)
#include "TestQSerialTransport.moc"
