// Two stations share one SQTP file and its serial log: two program instances, each with its own
// simulator process and four sockets, run unattended Auto Runs one after the other, both stations
// at the same time. Afterwards no number was issued twice (in the file, in the log, on the chips
// the simulators report), the log holds one whole line per number, and every number that reached
// a chip in a run that ended is logged. In the second form one station is killed (SIGKILL) at
// random points and restarted; a killed run may use up numbers it never logs, but none twice.
// The settings file each run saves must survive the kills whole. Two more forms share the files
// through symbolic links: each station reaches the SQTP file through a folder of its own that
// links to the shared one, or reaches one control file, and its automatic counter, through a link
// in its own folder; the stations must still meet at one lock. The kill form uses linked folders.
// PRAXON_LONG_TESTS=1 runs 500 cycles per station and 150 kills.
#include "PraxonStation.h"
#include "SqtpLot.h"
#include "core/serial/LockedFile.h"
#include "core/util/IniFile.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QMap>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSet>
#include <QTest>
#include <array>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct Lane {
    PraxonStation station;
    QProcess run;
    QElapsedTimer clock;
    int runs = 0;
    qint64 killAt = -1; // ms into the current run; -1: let it end
};

} // namespace

class TestTwoStationSqtp : public QObject
{
    Q_OBJECT

    QTemporaryDir m_shared;
    QString m_sqtp, m_log;
    QByteArray m_original;
    QMap<QString, int> m_onChips; // number -> times a chip was seen holding it
    QSet<QString> m_mustBeLogged; // reached a chip in a run that ended normally
    int m_ended = 0, m_kills = 0;
    qint64 m_runMs = 0;

    void NewLot(int records)
    {
        m_sqtp = m_shared.filePath(QStringLiteral("lot%1.num").arg(records));
        m_log = m_shared.filePath(QStringLiteral("lot%1.PXL").arg(records));
        m_original = SqtpLot::File(records);
        QVERIFY(PraxonStation::WriteBytes(m_sqtp, m_original));
        m_onChips.clear();
        m_mustBeLogged.clear();
        m_ended = m_kills = 0;
        m_runMs = 0;
    }

    // A fresh lot with room for both stations' cycles, and the two stations set up to use it;
    // with linkedFolders each station names the files through its own folder "lots", a link to
    // the shared one.
    void Prepare(std::array<Lane, 2>& lanes, int cycles, bool linkedFolders = false)
    {
        NewLot(2 * 4 * cycles + 8);
        if (QTest::currentTestFailed())
            return;
        for (int i = 0; i < 2; ++i) {
            PraxonStation& station = lanes[size_t(i)].station;
            QString sqtp = m_sqtp, log = m_log;
            if (linkedFolders) {
                const QString lots = station.WorkDir() + QStringLiteral("/lots");
                QVERIFY(QFile::link(m_shared.path(), lots));
                sqtp = lots + u'/' + QFileInfo(m_sqtp).fileName();
                log = lots + u'/' + QFileInfo(m_log).fileName();
            }
            const QByteArray control =
                "[OPTIONS]\r\nDEV=16F877A\r\nPrgSNOpt=1\r\nUseSQTP=1\r\n[SERIALNUM]\r\nSQTPF=" + sqtp.toUtf8() +
                "\r\nLOGF=" + log.toUtf8() + "\r\nCodespace=1\r\nEncoderetlw=1\r\n";
            QVERIFY(station.Prepare(control, {"--watch", "0x200:2", "--serial", QString::number(1001 + i)}));
        }
    }

    // One run of a lane is over (ended or killed): its exit, the chips' numbers, the SQTP file.
    void Finished(Lane& lane, bool killed)
    {
        const QString stderrText = QString::fromLocal8Bit(lane.run.readAllStandardError());
        if (killed) {
            QCOMPARE(lane.run.exitStatus(), QProcess::CrashExit);
            ++m_kills;
        } else {
            QVERIFY2(lane.run.exitStatus() == QProcess::NormalExit && lane.run.exitCode() == 0,
                     qPrintable(QStringLiteral("status %1\n%2").arg(lane.run.exitCode()).arg(stderrText.right(2000))));
            ++m_ended;
            m_runMs += lane.clock.elapsed();
        }
        for (const QString& n : ChipNumbers(lane.station.Sim().TakeReport(killed ? 150 : 20))) {
            ++m_onChips[n];
            if (!killed)
                m_mustBeLogged << n;
        }
        QVERIFY2(lane.station.SettingsWhole(), "settings file torn or lost");
        QVERIFY2(SqtpLot::UsedPrefix(PraxonStation::ReadBytes(m_sqtp), m_original) >= 0,
                 "SQTP file torn or out of order");
    }

    // Both stations run `cycles` Auto Runs each; lane 1's runs are killed at a random point of
    // the run with probability killPercent (the delay spread over a normal run's length).
    void Drive(std::array<Lane, 2>& lanes, int cycles, int killPercent, QRandomGenerator& random)
    {
        // A lane is done once its last run has ended and been accounted for (its clock invalid).
        auto busy = [cycles](const Lane& lane) { return lane.runs < cycles || lane.clock.isValid(); };
        while (busy(lanes[0]) || busy(lanes[1])) {
            for (size_t i = 0; i < lanes.size(); ++i) {
                Lane& lane = lanes[i];
                if (lane.run.state() != QProcess::NotRunning) {
                    if (lane.killAt < 0 || lane.clock.elapsed() < lane.killAt)
                        continue;
                    lane.run.kill();
                    QVERIFY(lane.run.waitForFinished(10000));
                    Finished(lane, lane.run.exitStatus() == QProcess::CrashExit);
                } else if (lane.clock.isValid()) {
                    Finished(lane, false);
                }
                if (QTest::currentTestFailed())
                    return;
                lane.clock.invalidate();
                if (lane.runs == cycles)
                    continue;
                ++lane.runs;
                const qint64 typical = m_ended ? m_runMs / m_ended : 1000;
                lane.killAt = i == 1 && int(random.bounded(100)) < killPercent ? random.bounded(typical + 1) : -1;
                lane.station.Start(lane.run);
                QVERIFY(lane.run.waitForStarted());
                lane.clock.start();
            }
            QTest::qWait(2);
            for (Lane& lane : lanes)
                QVERIFY2(lane.run.state() == QProcess::NotRunning || lane.clock.elapsed() < 120000, "run hangs");
        }
    }

    // The SQTP file, the log and the chips agree.
    void Audit(bool killsAllowed)
    {
        const int used = SqtpLot::UsedPrefix(PraxonStation::ReadBytes(m_sqtp), m_original);
        const QByteArray log = PraxonStation::ReadBytes(m_log);
        const QList<QByteArray> lines = log.split('\n');
        QVERIFY(used >= 0);
        QVERIFY2(log.endsWith("\r\n"), "the log ends in a torn line");
        QVERIFY(lines.size() > 3 && lines[0] == "; Praxon Serial Number LOG.\r" && lines[1].startsWith(";  Created ") &&
                lines[2].startsWith(";  [SW: "));
        static const QRegularExpression line(QStringLiteral(
            "^([0-9A-F]{4}),PASSED,[A-Z][a-z]{2},\\d\\d/\\d\\d/\\d{4},\\d\\d:\\d\\d:\\d\\d:\\d{3},100[12]\r$"));
        QSet<QString> logged;
        for (qsizetype i = 3; i + 1 < lines.size(); ++i) {
            const QRegularExpressionMatch m = line.match(QString::fromLatin1(lines[i]));
            QVERIFY2(m.hasMatch(), lines[i].constData());
            const QString n = m.captured(1);
            QVERIFY2(!logged.contains(n), qPrintable(QStringLiteral("%1 logged twice").arg(n)));
            QVERIFY2(n.toInt(nullptr, 16) <= used, qPrintable(QStringLiteral("%1 logged, not used").arg(n)));
            logged << n;
        }
        for (auto it = m_onChips.cbegin(); it != m_onChips.cend(); ++it) {
            QVERIFY2(it.value() == 1, qPrintable(QStringLiteral("%1 reached %2 chips").arg(it.key()).arg(it.value())));
            QVERIFY2(it.key().toInt(nullptr, 16) <= used, qPrintable(it.key() + QStringLiteral(" not used")));
        }
        for (const QString& n : std::as_const(m_mustBeLogged))
            QVERIFY2(logged.contains(n), qPrintable(n + QStringLiteral(" reached a chip, not the log")));
        QVERIFY(logged.size() >= 4 * m_ended);
        if (!killsAllowed) {
            QCOMPARE(used, 4 * m_ended);
            QCOMPARE(int(logged.size()), used);
            QCOMPARE(int(m_onChips.size()), used);
        }
        qInfo("%d runs ended, %d killed: %d numbers used, %d logged, %d seen on chips, %d used but never logged",
              m_ended, m_kills, used, int(logged.size()), int(m_onChips.size()), used - int(logged.size()));
    }

private slots:
    void sharedFileAndLog()
    {
        const int cycles = ShortOrLong(4, 500);
        std::array<Lane, 2> lanes;
        Prepare(lanes, cycles);
        if (QTest::currentTestFailed())
            return;
        QRandomGenerator random(1);
        QElapsedTimer clock;
        clock.start();
        Drive(lanes, cycles, 0, random);
        if (QTest::currentTestFailed())
            return;
        Audit(false);
        qInfo("%d cycles per station in %lld ms", cycles, clock.elapsed());
    }

    void sharedThroughLinkedFolders()
    {
        const int cycles = ShortOrLong(2, 100);
        std::array<Lane, 2> lanes;
        Prepare(lanes, cycles, true);
        if (QTest::currentTestFailed())
            return;
        QRandomGenerator random(1);
        Drive(lanes, cycles, 0, random);
        if (QTest::currentTestFailed())
            return;
        Audit(false);
        // Nothing was made beside the links: the stations used the shared files.
        for (const Lane& lane : lanes)
            QCOMPARE(QDir(lane.station.WorkDir() + QStringLiteral("/lots")).canonicalPath(),
                     QDir(m_shared.path()).canonicalPath());
    }

    // Automatic numbering from one control file that each station reaches through a link in its
    // own folder: every number reaches one chip, and the counter ends at the count of chips.
    void sharedCounterThroughLinks_data()
    {
        QTest::addColumn<bool>("twoUsers");
        QTest::newRow("one user") << false;
        // Two operators, one group-writable folder (group nogroup, new files keep the group): the
        // second station runs as user nobody, whose group is nogroup.
        QTest::newRow("two users") << true;
    }
    void sharedCounterThroughLinks()
    {
        QFETCH(bool, twoUsers);
        const int cycles = ShortOrLong(3, 100);
        const QString folder = m_shared.filePath(twoUsers ? QStringLiteral("operators") : QStringLiteral("counter"));
        QVERIFY(QDir().mkpath(folder));
        const QString shared = folder + QStringLiteral("/Station.PXC");
        const QByteArray control = "[OPTIONS]\r\nDEV=16F877A\r\nPrgSNOpt=1\r\n[SERIALNUM]\r\nAuto=1\r\nlast_hex=0\r\n"
                                   "Codespace=1\r\nEncoderetlw=1\r\nlength=2\r\ncstartadd=$200\r\n";
        QVERIFY(PraxonStation::WriteBytes(shared, control));
        std::array<Lane, 2> lanes;
        for (int i = 0; i < 2; ++i) {
            PraxonStation& station = lanes[size_t(i)].station;
            QVERIFY(station.Prepare(control, {"--watch", "0x200:2", "--serial", QString::number(1001 + i)}));
            QVERIFY(QFile::remove(station.ControlFile()) && QFile::link(shared, station.ControlFile()));
        }
        if (twoUsers) {
            if (!lanes[1].station.RunAsSecondUser())
                QSKIP("needs root, user nobody, group nogroup and setpriv");
            const gid_t group = getgrnam("nogroup")->gr_gid;
            QVERIFY(::chmod(QFile::encodeName(m_shared.path()).constData(), 0755) == 0);
            QVERIFY(::chown(QFile::encodeName(folder).constData(), uid_t(-1), group) == 0);
            QVERIFY(::chmod(QFile::encodeName(folder).constData(), 02775) == 0);
            QVERIFY(::chown(QFile::encodeName(shared).constData(), uid_t(-1), group) == 0);
            QVERIFY(::chmod(QFile::encodeName(shared).constData(), 0664) == 0);
        }
        m_onChips.clear();
        m_mustBeLogged.clear();
        m_ended = m_kills = 0;
        // No SQTP file: Finished() reads an empty one, as unused as the empty original.
        m_sqtp = shared + QStringLiteral(".none");
        m_original.clear();
        auto lastHex = [&shared] {
            return IniFile(shared).ReadString(QStringLiteral("SERIALNUM"), QStringLiteral("last_hex"), QString());
        };
        auto start = [](Lane& lane) {
            ++lane.runs;
            lane.station.Start(lane.run);
            QVERIFY(lane.run.waitForStarted());
            lane.clock.start();
        };
        if (twoUsers) {
            // The first operator's station runs once alone, and so makes the counter's lock.
            start(lanes[0]);
            QVERIFY(lanes[0].run.waitForFinished(120000));
            Finished(lanes[0], false);
            lanes[0].clock.invalidate();
            if (QTest::currentTestFailed())
                return;
        }
        {
            // While another station holds the counter, a station that reaches it through its own
            // link (as the other operator) waits for it, at most ten seconds, instead of numbering.
            LockedFile holder;
            const QString lock = shared + QStringLiteral(".lock");
            if (twoUsers)
                QCOMPARE(holder.Open(lock), LockedFile::Result::Opened);
            else
                QVERIFY(holder.Create(lock));
            const QString before = lastHex();
            start(lanes[twoUsers ? 1 : 0]);
            QTest::qWait(7000);
            QCOMPARE(lastHex(), before);
        }
        QRandomGenerator random(1);
        Drive(lanes, cycles, 0, random);
        if (QTest::currentTestFailed())
            return;
        int twice = 0;
        for (auto it = m_onChips.cbegin(); it != m_onChips.cend(); ++it)
            twice += it.value() > 1;
        qInfo("%d runs: %d numbers on chips, %d of them on more than one chip", m_ended, int(m_onChips.size()), twice);
        QCOMPARE(twice, 0);
        QCOMPARE(int(m_onChips.size()), 2 * 4 * cycles);
        QCOMPARE(m_onChips.firstKey(), QStringLiteral("0001"));
        QCOMPARE(m_onChips.lastKey(), QStringLiteral("%1").arg(2 * 4 * cycles, 4, 16, QLatin1Char('0')).toUpper());
        for (const Lane& lane : lanes)
            QVERIFY2(QFileInfo(lane.station.ControlFile()).isSymLink(),
                     "a station's link to the control file was replaced");
    }

    void killedStationIssuesNoNumberTwice()
    {
        const int cycles = ShortOrLong(8, 220);
        std::array<Lane, 2> lanes;
        // Through linked folders, as the stations of a line often reach a shared lot.
        Prepare(lanes, cycles, true);
        if (QTest::currentTestFailed())
            return;
        const quint32 seed = TestSeed();
        qInfo("seed %u (PRAXON_TEST_SEED repeats it)", seed);
        QRandomGenerator random(seed);
        // Each station's first run ends normally before the kills start, so the kill delays spread
        // over a real run's length.
        Drive(lanes, 1, 0, random);
        Drive(lanes, cycles, 70, random);
        if (QTest::currentTestFailed())
            return;
        Audit(true);
        QVERIFY(m_kills > 0);
    }
};

QTEST_GUILESS_MAIN(TestTwoStationSqtp)
#include "TestTwoStationSqtp.moc"
