// Serial numbering end to end against the in-process simulator with four chips: an Auto Run
// writes a different number into each chip at the configured address, in code (RETLW) and EE, for
// each core family; SQTP records reach the chips in file order, are marked used in the file and
// are logged; a counter that cannot go on, be stored or be locked, an SQTP file that has come to
// repeat a number, and a start address outside the memory issue no number; the log holds whole
// lines only, even when the disk fills.
#include "SimEngineRig.h"
#include "core/image/ConfigurationWords.h"
#include "core/model/OptionIndex.h"
#include "core/options/OptionRefresh.h"
#include "core/options/SettingsFileFormat.h"
#include "core/serial/LockedFile.h"
#include "core/serial/SerialNumberLog.h"
#include "core/util/IniFile.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <grp.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace BoxProtocol;
using Bit = LinkErrorWord::Bit;

namespace {

struct Numbering {
    bool code = true;
    bool retlw = true;
    qint64 start = 0;
    int length = 2;
    QString last = QStringLiteral("0");
    QString sqtp; // path of an SQTP file: SQTP mode
};

// Four chips of device, every socket on, programming with serial numbering as n says, and a
// control file (in dir) holding the counter.
struct SerialRig : SimEngineRig<> {
    SerialRig(const QString& device, const QString& dir, const Numbering& n, const QString& control = {})
        : SimEngineRig(device, 4, [&](AppContext& c) {
              SettingsFileFormat::SetLocation(dir);
              c.File().controlPath = control.isEmpty() ? dir + QStringLiteral("/part.PXC") : control;
              OptionTable& o = c.Options();
              o.SetFactoryValues();
              o.SetValue(OptionIndex::SerialNumbering, true);
              o.SetValue(OptionIndex::UseSqtp, !n.sqtp.isEmpty());
              o.SetValue(OptionIndex::AutoIncrement, true);
              o.SetSerialInCode(n.code);
              o.SetValue(OptionIndex::EncodeRetlw, n.retlw);
              SerialNumberSettings& s = c.SerialSettings();
              s.length = quint16(n.length);
              s.codeStartAddress = s.eeStartAddress = n.start;
              s.lastHexText = n.last;
              s.sqtpFile = n.sqtp;
              s.logFile = SerialNumberLog::PathFor(n.sqtp);
              OptionsChanged(c);
          })
    {
        engine.Sockets().GangClick();
        const SimulatedChip& chip = *box.Chip(0);
        for (int i = 0; i < chip.RegionSize(RegCode); ++i)
            ctx.Image().CodeBuffer()[size_t(i)] = quint16((i * 0x135 + 7) & chip.Width(RegCode));
        for (int i = 0; i < chip.RegionSize(RegEeData); ++i)
            ctx.Image().EeBuffer()[size_t(i)] = quint16((i * 3 + 1) & 0xFF);
        for (int w = 0; w < ctx.Profile().cfgWords; ++w)
            DecodeConfigWord(ctx, 0xFFFF, w);
    }
    // The locations of socket s's number, as words.
    QList<quint16> Placed(int s, const Numbering& n)
    {
        QList<quint16> words;
        for (int k = 0; k < n.length; ++k)
            words << box.Chip(s)->Raw(n.code ? RegCode : RegEeData, int(n.start + k));
        return words;
    }
    // Other code words that differ from the image: the serialize step must not disturb them.
    int CodeMismatchesOutside(int s, const Numbering& n)
    {
        int count = 0;
        const SimulatedChip& chip = *box.Chip(s);
        for (int i = 0; i < chip.RegionSize(RegCode); ++i) {
            const bool number = n.code && i >= n.start && i < n.start + n.length;
            count += !number && chip.Raw(RegCode, i) != ctx.Image().CodeBuffer()[size_t(i)];
        }
        return count;
    }
    QString History() { return ctx.History().DisplayText().join(u'\n'); }
};

// The words number takes: byte k at location k, RETLW-encoded in code when asked.
QList<quint16> Expected(quint64 number, const Numbering& n, quint16 retlw)
{
    QList<quint16> words;
    for (int k = 0; k < n.length; ++k)
        words << quint16(((number >> (8 * k)) & 0xFF) + (n.code && n.retlw ? retlw : 0));
    return words;
}

QString LastHex(const QString& control)
{
    return IniFile(control).ReadString(QStringLiteral("SERIALNUM"), QStringLiteral("last_hex"), QString());
}

void WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QByteArray ReadFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// An SQTP data record of two RETLW locations at byte address 0x0400 (word 0x200) for number.
QByteArray SqtpRecord(quint16 number)
{
    QByteArray r = QByteArray(":04040000") + QByteArray::number(number & 0xFF, 16).rightJustified(2, '0').toUpper() +
                   "34" + QByteArray::number(number >> 8, 16).rightJustified(2, '0').toUpper() + "34";
    int sum = 0;
    for (int i = 1; i < r.size(); i += 2)
        sum += r.mid(i, 2).toInt(nullptr, 16);
    return r + QByteArray::number((-sum) & 0xFF, 16).rightJustified(2, '0').toUpper() + "\r\n";
}

// Every write that would make a file larger than bytes falls short there, as on a full disk.
struct FileSizeLimit {
    explicit FileSizeLimit(rlim_t bytes)
    {
        std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &saved);
        rlimit limit = saved;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &saved); }
    rlimit saved{};
};

// A second user (nobody, group nogroup, no other groups) can open path for reading and writing,
// as it must to lock it.
bool NobodyCanOpen(const QString& path)
{
    QProcess p;
    p.start(QStringLiteral("setpriv"),
            {"--reuid=nobody", "--regid=nogroup", "--clear-groups", "sh", "-c", "exec 3<>\"$0\"", path});
    return p.waitForFinished(10000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// Root can hand files to the nogroup group and test them as nobody.
bool SecondUserAvailable()
{
    return ::geteuid() == 0 && getgrnam("nogroup") && !QStandardPaths::findExecutable("setpriv").isEmpty();
}

// Gives path the group nogroup and mode rw-rw-r--, as a folder shared by a group of operators has,
// and lets everyone reach it.
void ShareWithGroup(const QString& path)
{
    for (QDir folder = QFileInfo(path).dir(); folder.path().startsWith(QDir::tempPath() + u'/'); folder.cdUp())
        QVERIFY(::chmod(QFile::encodeName(folder.path()).constData(), 0755) == 0);
    QVERIFY(::chown(QFile::encodeName(path).constData(), uid_t(-1), getgrnam("nogroup")->gr_gid) == 0);
    QVERIFY(::chmod(QFile::encodeName(path).constData(), 0664) == 0);
}

// Mode bits and group of path; the mode is 0 when path is missing.
std::pair<int, gid_t> ModeAndGroup(const QString& path)
{
    struct stat st {
    };
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return {0, 0};
    return {int(st.st_mode & 07777), st.st_gid};
}

} // namespace

class TestSerialCycles : public QObject
{
    Q_OBJECT
private slots:
    void AutoRunNumbersEverySocket_data()
    {
        QTest::addColumn<QString>("device");
        QTest::addColumn<bool>("code");
        QTest::addColumn<qint64>("start");
        QTest::addColumn<int>("length");
        QTest::addColumn<int>("retlw");
        // 5X plain, XX write-block of PAW 8 (start not aligned), XX plain with PAW 1, 18X write-block
        // through the script's address marker; EE on XX (at EELOC) and 18X (alternative transfer).
        QTest::newRow("12F508 code") << "12F508" << true << qint64(0x100) << 3 << 0x800;
        QTest::newRow("16F877A code") << "16F877A" << true << qint64(0x3FD) << 3 << 0x3400;
        QTest::newRow("12F675 code") << "12F675" << true << qint64(0x3F0) << 2 << 0x3400;
        QTest::newRow("18F252 code") << "18F252" << true << qint64(0x203) << 4 << 0x0C00;
        QTest::newRow("16F877A EE") << "16F877A" << false << qint64(0x10) << 2 << 0;
        QTest::newRow("18F252 EE") << "18F252" << false << qint64(0x7E) << 2 << 0;
    }
    void AutoRunNumbersEverySocket()
    {
        QFETCH(QString, device);
        QFETCH(bool, code);
        QFETCH(qint64, start);
        QFETCH(int, length);
        QFETCH(int, retlw);
        QTemporaryDir dir;
        Numbering n;
        n.code = code;
        n.start = start;
        n.length = length;
        n.last = QStringLiteral("12FE");
        SerialRig rig(device, dir.path(), n);
        rig.engine.Cycles().AutoRun();
        QVERIFY2(rig.link.Errors().Word() == 0, qPrintable(rig.History()));
        for (int s = 0; s < 4; ++s) {
            QCOMPARE(rig.Placed(s, n), Expected(0x12FF + quint64(s), n, quint16(retlw)));
            QCOMPARE(rig.CodeMismatchesOutside(s, n), 0);
            QCOMPARE(rig.engine.Serial().State().socketStatus[size_t(s)], QStringLiteral("Passed        "));
        }
        // The counter moved on by one per socket, in the control file and the settings store.
        const QString last = length == 2 ? QStringLiteral("1302") : QStringLiteral("1302").rightJustified(length, u'0');
        QCOMPARE(LastHex(dir.path() + QStringLiteral("/part.PXC")), last);
        QVERIFY(rig.op.boxes.isEmpty());

        // The next run goes on from there.
        rig.engine.Cycles().AutoRun();
        QCOMPARE(rig.Placed(3, n), Expected(0x1306, n, quint16(retlw)));
    }

    void NoNumberIsIssuedTwice_data()
    {
        QTest::addColumn<QString>("last");
        QTest::addColumn<int>("length");
        QTest::addColumn<int>("numbered"); // sockets that receive a number
        QTest::addColumn<QString>("stored");
        // Length 1 reaches FF at socket A: the next number would repeat it.
        QTest::newRow("length full") << "FE" << 1 << 1 << "FF";
        // The 63-bit counter would wrap to 0.
        QTest::newRow("63-bit limit") << "7FFFFFFFFFFFFFFF" << 8 << 0 << "7FFFFFFFFFFFFFFF";
        // A hand-edited length the buffers cannot hold.
        QTest::newRow("length 9") << "5" << 9 << 0 << "5";
    }
    void NoNumberIsIssuedTwice()
    {
        QFETCH(QString, last);
        QFETCH(int, length);
        QFETCH(int, numbered);
        QFETCH(QString, stored);
        QTemporaryDir dir;
        const QString control = dir.path() + QStringLiteral("/part.PXC");
        WriteFile(control, "[SERIALNUM]\r\nlast_hex=" + last.toLatin1() + "\r\n");
        Numbering n;
        n.start = 0x100;
        n.length = length;
        SerialRig rig(QStringLiteral("16F877A"), dir.path(), n);
        rig.engine.Cycles().AutoRun();
        for (int s = numbered; s < 4; ++s)
            QCOMPARE(rig.engine.Serial().State().socketStatus[size_t(s)], QStringLiteral("Failed        "));
        if (numbered == 1)
            QCOMPARE(rig.box.Chip(0)->Raw(RegCode, 0x100), quint16(0x34FF));
        // Socket B holds the program's word there, not a number.
        QCOMPARE(rig.box.Chip(1)->Raw(RegCode, 0x100), rig.ctx.Image().CodeBuffer()[0x100]);
        QCOMPARE(LastHex(control), stored);
        QVERIFY(rig.op.Captions().contains(QStringLiteral("Serial Number Error")));
        QVERIFY(rig.link.Errors().Has(Bit::TaskFailed));
        QVERIFY(rig.History().contains(QStringLiteral("Devices Passed, Total is now: %1").arg(numbered)));
    }

    // The box stops answering as the serialize step begins: the run ends within the watchdog's
    // two expiries (as a freeze during programming does), not once per socket, and the exit word
    // still says the box did not respond.
    void FrozenBoxAtTheSerializeStepEndsTheRun()
    {
        QTemporaryDir dir;
        Numbering n;
        n.start = 0x200;
        SerialRig rig(QStringLiteral("16F877A"), dir.path(), n);
        auto serialize = rig.engine.Tasks().serialNumberTask;
        qint64 frozenAt = -1;
        rig.engine.Tasks().serialNumberTask = [&](int row, int socket) {
            if (frozenAt < 0) {
                frozenAt = rig.clock.NowMs();
                rig.box.Faults().silentAfter = 0;
            }
            serialize(row, socket);
        };
        rig.engine.Cycles().AutoRun();
        QVERIFY(frozenAt >= 0);
        const qint64 lasted = rig.clock.NowMs() - frozenAt;
        QVERIFY2(lasted <= 8000, qPrintable(QString::number(lasted) + QStringLiteral(" ms\n") + rig.History()));
        QVERIFY2(rig.link.Errors().Has(Bit::NotResponding), qPrintable(rig.History()));
        QVERIFY(rig.History().contains(QStringLiteral(" Praxon Not Responding ")));
    }

    void ManualNumbersAreProgrammedAsTyped()
    {
        QTemporaryDir dir;
        Numbering n;
        n.start = 0x80;
        SerialRig rig(QStringLiteral("12F675"), dir.path(), n);
        rig.ctx.Options().SetValue(OptionIndex::AutoIncrement, false);
        OptionsChanged(rig.ctx);
        auto& typed = rig.ctx.SerialSettings().lastSocketNumbers;
        typed = {0x1111, 0x2222, 0x1111, 0x4444};
        rig.engine.Cycles().AutoRun();
        QVERIFY2(rig.link.Errors().Word() == 0, qPrintable(rig.History()));
        // The operator's numbers, a repeated one included: manual numbers are the operator's to choose.
        for (int s = 0; s < 4; ++s)
            QCOMPARE(rig.Placed(s, n), Expected(quint64(typed[size_t(s)]), n, 0x3400));
        QCOMPARE(LastHex(dir.path() + QStringLiteral("/part.PXC")), QStringLiteral("4444"));
        QVERIFY2(rig.History().contains(QStringLiteral(" Serial Number into Code Memory:  OK")),
                 qPrintable(rig.History()));
    }

    void UnstorableCounterProgramsNothing()
    {
        QTemporaryDir dir;
        Numbering n;
        n.start = 0x100;
        // A folder stands where the control file should be: it can be locked but not written.
        const QString control = dir.path() + QStringLiteral("/part.PXC");
        QVERIFY(QDir().mkdir(control));
        SerialRig rig(QStringLiteral("12F675"), dir.path(), n, control);
        rig.engine.Cycles().AutoRun();
        QVERIFY(rig.op.Captions().contains(QStringLiteral("Serial Number Logging Error")));
        QVERIFY(rig.op.Texts().first().startsWith(QStringLiteral("Could not Store Socket A Serial Number to file: ")));
        for (int s = 0; s < 4; ++s)
            QCOMPARE(rig.box.Chip(s)->Raw(RegCode, 0x100), rig.ctx.Image().CodeBuffer()[0x100]);
        QVERIFY(rig.link.Errors().Has(Bit::TaskFailed));
    }

    // The counter's lock sits beside the control file itself (found through any links), is made
    // so that everyone who may write the control file may lock it, and a lock that cannot be
    // taken stops the numbering instead of being skipped.
    void CounterLockIsSharedAndNeverSkipped_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("linked");   // the station reaches the control file through a link
        QTest::addColumn<bool>("numbered"); // the sockets get their numbers
        QTest::addColumn<QString>("refusal");
        // Another station holds the lock beside the shared file while this one reaches it
        // through the link in its own folder.
        QTest::newRow("held, reached by a link") << "held" << true << false << "is held by another station";
        // Nothing can be locked at all: the lock's name is taken by a folder.
        QTest::newRow("lock path is a folder") << "folder" << false << false << "Is a directory";
        // The first operator's lock file must be usable by the second operator of the group.
        QTest::newRow("made for the group") << "group" << true << true << "";
    }
    void CounterLockIsSharedAndNeverSkipped()
    {
        QFETCH(QString, kind);
        QFETCH(bool, linked);
        QFETCH(bool, numbered);
        QFETCH(QString, refusal);
        if (kind == QLatin1String("group") && !SecondUserAvailable())
            QSKIP("needs root, the nogroup group and setpriv");
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("shared")) &&
                QDir(dir.path()).mkpath(QStringLiteral("station")));
        const QString shared = dir.path() + QStringLiteral("/shared/part.PXC");
        const QString lockPath = shared + QStringLiteral(".lock");
        WriteFile(shared, "[SERIALNUM]\r\nlast_hex=10\r\n");
        QString control = shared;
        if (linked) {
            control = dir.path() + QStringLiteral("/station/part.PXC");
            QVERIFY(QFile::link(shared, control));
        }
        LockedFile other;
        if (kind == QLatin1String("held"))
            QVERIFY(other.Create(lockPath));
        if (kind == QLatin1String("folder"))
            QVERIFY(QDir().mkdir(lockPath));
        if (kind == QLatin1String("group"))
            ShareWithGroup(shared);
        Numbering n;
        n.start = 0x100;
        SerialRig rig(QStringLiteral("16F877A"), dir.path(), n, control);
        rig.engine.Cycles().AutoRun();
        for (int s = 0; s < 4; ++s) {
            const quint16 word = rig.box.Chip(s)->Raw(RegCode, 0x100);
            if (numbered)
                QCOMPARE(word, quint16(0x3411 + s));
            else
                QCOMPARE(word, rig.ctx.Image().CodeBuffer()[0x100]);
        }
        QCOMPARE(LastHex(shared), numbered ? QStringLiteral("14") : QStringLiteral("10"));
        QVERIFY(!QFileInfo::exists(control + QStringLiteral(".lock")) || control == shared);
        if (!numbered) {
            QVERIFY(rig.link.Errors().Has(Bit::TaskFailed));
            const QString history = rig.History();
            QVERIFY2(history.contains(refusal), qPrintable(history));
            if (kind == QLatin1String("folder"))
                QVERIFY2(history.contains(lockPath), qPrintable(history));
            return;
        }
        QVERIFY2(rig.link.Errors().Word() == 0, qPrintable(rig.History()));
        QCOMPARE(ModeAndGroup(lockPath), std::make_pair(0664, getgrnam("nogroup")->gr_gid));
        QVERIFY(NobodyCanOpen(lockPath));
    }

    // A log line reaches the file whole or not at all: on a full disk the log is cut back to its
    // last whole line and the lines wait for the next cycle, which writes them after the fact.
    // The log is made with the SQTP file's group and permissions.
    void LogHoldsWholeLinesOnAFullDisk()
    {
        QTemporaryDir dir;
        const QString sqtp = dir.path() + QStringLiteral("/lot.num");
        const QString logPath = SerialNumberLog::PathFor(sqtp);
        QByteArray file;
        for (quint16 number = 1; number <= 12; ++number)
            file += SqtpRecord(number);
        WriteFile(sqtp, file + ":00000001FF\r\n");
        const bool group = SecondUserAvailable();
        if (group)
            ShareWithGroup(sqtp);
        Numbering n;
        n.sqtp = sqtp;
        SerialRig rig(QStringLiteral("16F877A"), dir.path(), n);
        rig.engine.Cycles().AutoRun();
        QVERIFY2(rig.link.Errors().Word() == 0, qPrintable(rig.History()));
        if (group) {
            QCOMPARE(ModeAndGroup(logPath), std::make_pair(0664, getgrnam("nogroup")->gr_gid));
            QVERIFY(NobodyCanOpen(logPath));
        }

        const QByteArray before = ReadFile(logPath);
        QVERIFY(before.size() > file.size());
        {
            // Room for part of the first line only.
            FileSizeLimit full(rlim_t(before.size() + 20));
            rig.engine.Cycles().AutoRun();
        }
        QCOMPARE(ReadFile(logPath), before);
        QVERIFY(rig.link.Errors().Has(Bit::TaskFailed));
        QCOMPARE(int(rig.History().count(QStringLiteral("Serial number not logged: "))), 4);
        QVERIFY(rig.op.Captions().contains(QStringLiteral("Serial Number Error")));

        rig.engine.Cycles().AutoRun();
        const QList<QByteArray> lines = ReadFile(logPath).split('\n');
        QCOMPARE(lines.size(), 3 + 12 + 1);
        QVERIFY(lines.last().isEmpty());
        static const QRegularExpression line(QStringLiteral("^([0-9A-F]{4}),PASSED,[A-Z][a-z]{2},[0-9/,:]+,.+\r$"));
        for (int i = 0; i < 12; ++i) {
            const QRegularExpressionMatch m = line.match(QString::fromLatin1(lines[3 + i]));
            QVERIFY2(m.hasMatch(), lines[3 + i].constData());
            QCOMPARE(m.captured(1), QStringLiteral("%1").arg(i + 1, 4, 16, QLatin1Char('0')).toUpper());
        }
    }

    void SqtpRecordsGoInFileOrder()
    {
        QTemporaryDir dir;
        const QString sqtp = dir.path() + QStringLiteral("/lot.num");
        QByteArray file = ":020000040000FA\r\n";
        for (quint16 number : {0x0101, 0x0202, 0x0303, 0x0404, 0x0505, 0x0606})
            file += SqtpRecord(number);
        file += ":00000001FF\r\n";
        WriteFile(sqtp, file);
        Numbering n;
        n.sqtp = sqtp;
        SerialRig rig(QStringLiteral("16F877A"), dir.path(), n);
        // The header gave the address (byte 0x400 is word 0x200) and the length.
        QCOMPARE(rig.ctx.SerialSettings().codeStartAddress, qint64(0x200));
        QCOMPARE(int(rig.ctx.SerialSettings().length), 2);
        n.start = 0x200;

        rig.engine.Cycles().AutoRun();
        QVERIFY2(rig.link.Errors().Word() == 0, qPrintable(rig.History()));
        for (int s = 0; s < 4; ++s)
            QCOMPARE(rig.Placed(s, n), Expected(0x0101 * (s + 1), n, 0x3400));
        const QList<QByteArray> lines = ReadFile(sqtp).split('\n');
        for (int i = 1; i <= 6; ++i)
            QCOMPARE(lines[i].at(0), i <= 4 ? ';' : ':');
        const QString log = QString::fromLatin1(ReadFile(SerialNumberLog::PathFor(sqtp)));
        QVERIFY(log.startsWith(QStringLiteral("; Praxon Serial Number LOG.\r\n;  Created ")));
        const QStringList logLines = log.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
        QCOMPARE(logLines.size(), 3 + 4);
        for (int s = 0; s < 4; ++s)
            QVERIFY2(logLines[3 + s].startsWith(QStringLiteral("0%1,PASSED,").arg(101 * (s + 1))), qPrintable(log));

        // Two records are left for four sockets: A and B take them, C finds the numbers exhausted
        // and the cycle does not run; the two consumed numbers are logged as not programmed.
        rig.op.Clear();
        rig.engine.Cycles().AutoRun();
        QVERIFY(rig.op.Texts().contains(QStringLiteral("Numbers exhausted in SQTP file.")));
        QVERIFY(rig.History().contains(QStringLiteral(" Error with SQTP Settings ")));
        QVERIFY(rig.link.Errors().Has(Bit::TaskFailed));
        QCOMPARE(rig.Placed(0, n), Expected(0x0101, n, 0x3400));
        const QStringList after = QString::fromLatin1(ReadFile(SerialNumberLog::PathFor(sqtp)))
                                      .split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
        QCOMPARE(after.size(), 3 + 6);
        QVERIFY(after[7].startsWith(QStringLiteral("0505,FAILED,")));
        QVERIFY(after[8].startsWith(QStringLiteral("0606,FAILED,")));
        QVERIFY(!ReadFile(sqtp).contains(":040400000505"));
    }

    // An SQTP file that was sound when the options were read and repeats a number by the time the
    // cycle takes its numbers: the take refuses it, the cycle does not run, no record is used up
    // and nothing is logged. (Files damaged before they are read: TestSerialRunsEndToEnd.)
    void SqtpFileRepeatingAfterItWasRead()
    {
        QTemporaryDir dir;
        const QString sqtp = dir.path() + QStringLiteral("/lot.num");
        const QByteArray head = ":020000040000FA\r\n";
        const QByteArray end = ":00000001FF\r\n";
        WriteFile(sqtp, head + SqtpRecord(0x2000) + SqtpRecord(0x2001) + SqtpRecord(0x2002) + SqtpRecord(0x2003) + end);
        Numbering n;
        n.sqtp = sqtp;
        SerialRig rig(QStringLiteral("16F877A"), dir.path(), n);
        QVERIFY(rig.ctx.SerialSettings().sqtpReady);
        const QByteArray repeating =
            head + SqtpRecord(0x2000) + SqtpRecord(0x2001) + SqtpRecord(0x2000) + SqtpRecord(0x2003) + end;
        WriteFile(sqtp, repeating);
        rig.engine.Cycles().AutoRun();
        // No chip holds a number's RETLW word.
        for (int s = 0; s < 4; ++s)
            for (int at : {0x200, 0x201})
                QVERIFY((rig.box.Chip(s)->Raw(RegCode, at) & 0xFF00) != 0x3400);
        QCOMPARE(ReadFile(sqtp), repeating);
        const QByteArray log = ReadFile(SerialNumberLog::PathFor(sqtp));
        QVERIFY(!log.contains("PASSED") && !log.contains("FAILED"));
        QVERIFY(rig.op.Texts().contains(
            "Error in SQTP file at line 4: serial number 2000 is also in line 2; no number may be issued twice."));
        QVERIFY(rig.History().contains(QStringLiteral(" Error with SQTP Settings ")));
        QVERIFY(rig.link.Errors().Has(Bit::TaskFailed));
    }

    // A start address from which the number would not lie within the memory of its placement
    // fails every socket before a number is issued: the counter stays, no chip location changes.
    void NumberOutsideTheMemoryIsRefused_data()
    {
        QTest::addColumn<QString>("device");
        QTest::addColumn<bool>("code");
        QTest::addColumn<qint64>("start");
        QTest::addColumn<QString>("why");
        QTest::newRow("negative") << "16F877A" << true << qint64(-5) << "start address -5 cannot be used";
        // 0x3FF is the calibration word, outside the 1023 words of code.
        QTest::newRow("past the code") << "12F675" << true << qint64(0x3FE) << "the 1023 locations of code memory";
        QTest::newRow("past the EE data")
            << "16F877A" << false << qint64(0xFF) << "the 256 locations of EE data memory";
    }
    void NumberOutsideTheMemoryIsRefused()
    {
        QFETCH(QString, device);
        QFETCH(bool, code);
        QFETCH(qint64, start);
        QFETCH(QString, why);
        QTemporaryDir dir;
        const QString control = dir.path() + QStringLiteral("/part.PXC");
        WriteFile(control, "[SERIALNUM]\r\nlast_hex=41\r\n");
        Numbering n;
        n.code = code;
        n.start = start;
        SerialRig rig(device, dir.path(), n);
        rig.engine.Cycles().AutoRun();
        for (int s = 0; s < 4; ++s) {
            QCOMPARE(rig.engine.Serial().State().socketStatus[size_t(s)], QStringLiteral("Failed        "));
            const SimulatedChip& chip = *rig.box.Chip(s);
            int changed = 0;
            for (int i = 0; i < chip.RegionSize(RegCode); ++i)
                changed += chip.Raw(RegCode, i) != rig.ctx.Image().CodeBuffer()[size_t(i)];
            for (int i = 0; i < chip.RegionSize(RegEeData); ++i)
                changed += chip.Raw(RegEeData, i) != rig.ctx.Image().EeBuffer()[size_t(i)];
            QCOMPARE(changed, 0);
        }
        QCOMPARE(LastHex(control), QStringLiteral("41"));
        QVERIFY2(rig.op.Texts().join(u'\n').contains(why), qPrintable(rig.op.Texts().join(u'\n')));
        QVERIFY(rig.link.Errors().Has(Bit::TaskFailed));
        QVERIFY(rig.History().contains(QStringLiteral("Devices Passed, Total is now: 0")));
    }
};

QTEST_GUILESS_MAIN(TestSerialCycles)
#include "TestSerialCycles.moc"
