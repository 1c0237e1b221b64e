// Unattended runs (praxon FILE /D16F877A /X, four sockets, against a praxon-boxsim process) whose
// control file or log are unusable: a control file that cannot be loaded, a /L path that is one
// of the run's own files, a /L path that cannot be written. None of them may program parts with
// options nobody chose, destroy an input, or end with status 0; a sound run beside them shows
// that the rig sees the serial numbers a run puts on the chips.
#include "PraxonProcess.h"
#include "PraxonStation.h"

#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>
#include <unistd.h>

namespace {

constexpr int FileError = 128;

// Serial numbering into code memory at 0x200, two RETLW words, numbers counted up by the program.
QByteArray SerialControlFile(const QByteArray& length)
{
    return "[OPTIONS]\r\nDEV=16F877A\r\nPrgSNOpt=1\r\n[SERIALNUM]\r\nAuto=1\r\nCodespace=1\r\nEncoderetlw=1\r\n"
           "cstartadd=512\r\nlength=" +
           length + "\r\n";
}

// The numbers the simulator's watch lines show on chips ("watch A 0x0200: 3401 3400").
int NumbersOnChips(const QString& report)
{
    static const QRegularExpression watch(QStringLiteral("^watch [A-D] 0x0200: 34[0-9a-f]{2} 34[0-9a-f]{2}$"),
                                          QRegularExpression::MultilineOption);
    int count = 0;
    for (auto it = watch.globalMatch(report); it.hasNext(); it.next())
        ++count;
    return count;
}

struct Finished : PraxonRun {
    QString report;
};

Finished Run(PraxonStation& station, const QStringList& extraArgs, const QStringList& wrapper = {})
{
    QProcess process;
    station.Start(process, extraArgs, wrapper);
    Finished run;
    static_cast<PraxonRun&>(run) = FinishPraxon(process, 120000);
    if (run.status != -1)
        run.report = station.Sim().TakeReport(100);
    return run;
}

// How this test makes a control file that exists but cannot be read. Root reads a file of mode
// 000, so as root praxon runs through setpriv without the capabilities that override file
// permissions; empty when that cannot be had here.
QStringList UnreadableWrapper(const QString& file)
{
    if (geteuid() != 0)
        return {QStringLiteral("env")};
    const QString setpriv = QStandardPaths::findExecutable(QStringLiteral("setpriv"));
    if (setpriv.isEmpty())
        return {};
    const QStringList wrapper{setpriv, QStringLiteral("--bounding-set"),
                              QStringLiteral("-dac_override,-dac_read_search")};
    QProcess probe;
    probe.start(wrapper.first(), wrapper.mid(1) + QStringList{QStringLiteral("cat"), file});
    probe.waitForFinished();
    return probe.exitStatus() == QProcess::NormalExit && probe.exitCode() != 0 ? wrapper : QStringList{};
}

} // namespace

class TestUnattendedInputs : public QObject
{
    Q_OBJECT
private slots:
    void SoundRunNumbersEveryPart()
    {
        PraxonStation station;
        QVERIFY(station.Prepare(SerialControlFile("2"), {"--watch", "0x200:2"}));
        const QString log = station.WorkDir() + "/run.log";
        const Finished run = Run(station, {"/L" + log});
        QVERIFY2(run.status == 0, qPrintable(run.err.right(2000)));
        QCOMPARE(NumbersOnChips(run.report), 4);
        QVERIFY(PraxonStation::ReadBytes(log).contains("Command-line Action Specified: "));
    }

    // The file asks for serial numbers; its options cannot be had, so nothing is programmed.
    void ControlFileThatCannotBeLoaded_data()
    {
        QTest::addColumn<QByteArray>("length");
        QTest::addColumn<bool>("unreadable");
        QTest::addColumn<QString>("reason");
        QTest::newRow("negative length") << QByteArray("-1") << false << "Invalid Serial Number Length (-1)";
        QTest::newRow("length too large") << QByteArray("70000") << false << "Invalid Serial Number Length (70000)";
        QTest::newRow("unreadable") << QByteArray("2") << true << "Control File cannot be read:";
    }

    void ControlFileThatCannotBeLoaded()
    {
        QFETCH(QByteArray, length);
        QFETCH(bool, unreadable);
        QFETCH(QString, reason);
        PraxonStation station;
        QVERIFY(station.Prepare(SerialControlFile(length), {"--watch", "0x200:2"}));
        QStringList wrapper;
        if (unreadable) {
            QVERIFY(QFile::setPermissions(station.ControlFile(), {}));
            wrapper = UnreadableWrapper(station.ControlFile());
            if (wrapper.isEmpty())
                QSKIP("no way to make an unreadable file here (root without setpriv)");
        }
        const QByteArray before = unreadable ? QByteArray() : PraxonStation::ReadBytes(station.ControlFile());
        const Finished run = Run(station, {}, wrapper);
        QCOMPARE(run.status, FileError);
        QVERIFY2(run.err.contains("praxon: box: Control File Error: " + reason), qPrintable(run.err));
        QVERIFY(run.err.contains("All Options have been set to Factory Defaults"));
        QVERIFY2(run.out.contains("Auto Run not started: the control file could not be loaded; the options are "
                                  "factory values."),
                 qPrintable(run.out.right(2000)));
        QCOMPARE(NumbersOnChips(run.report), 0);
        QVERIFY2(!run.report.contains("watch "), qPrintable(run.report));
        // The operator's file is left for them to correct.
        if (!unreadable)
            QCOMPARE(PraxonStation::ReadBytes(station.ControlFile()), before);
    }

    // A /L path that is one of the run's own files, by another spelling or through a link.
    void LogNamingAnInputIsRefused_data()
    {
        QTest::addColumn<QString>("target"); // the file the log path leads to
        QTest::addColumn<QString>("how");    // "path" as another spelling, "symlink", "hardlink"
        QTest::addColumn<QString>("what");
        QTest::newRow("HEX file, other spelling") << "Station.hex"
                                                  << "path"
                                                  << "the HEX file";
        QTest::newRow("HEX file, symlink") << "Station.hex"
                                           << "symlink"
                                           << "the HEX file";
        QTest::newRow("control file, hard link") << "Station.PXC"
                                                 << "hardlink"
                                                 << "the control file";
        QTest::newRow("device table") << "app/PXMCU.TBL"
                                      << "symlink"
                                      << "a file of the installation";
    }

    void LogNamingAnInputIsRefused()
    {
        QFETCH(QString, target);
        QFETCH(QString, how);
        QFETCH(QString, what);
        PraxonStation station;
        QVERIFY(station.Prepare(SerialControlFile("2"), {"--watch", "0x200:2"}));
        const QDir work(station.WorkDir());
        const QString file = work.filePath(target);
        // The installation's files are a copy here, so that a run that did overwrite one spoils
        // nothing of the build.
        QVERIFY(work.mkdir("app"));
        for (const QFileInfo& entry : QDir(TestPaths::RuntimeDir()).entryInfoList(QDir::Files)) {
            if (!entry.isExecutable())
                QVERIFY(QFile::copy(entry.filePath(), work.filePath("app/" + entry.fileName())));
        }
        QString log;
        if (how == "path") {
            QVERIFY(work.mkdir("sub"));
            log = work.path() + "/sub/../" + target;
        } else {
            log = work.filePath("run.log");
            const bool linked =
                how == "symlink" ? QFile::link(file, log) : ::link(qPrintable(file), qPrintable(log)) == 0;
            QVERIFY(linked);
        }
        const QByteArray before = PraxonStation::ReadBytes(file);
        QVERIFY(!before.isEmpty());
        const Finished run = Run(station, {"/L" + log}, {"env", "PRAXON_APP_DIR=" + work.filePath("app")});
        QCOMPARE(run.status, FileError);
        QVERIFY2(run.err.contains("praxon: box: Log File Refused: The log file named by /L is " + what),
                 qPrintable(run.err));
        QCOMPARE(PraxonStation::ReadBytes(file), before);
        QCOMPARE(NumbersOnChips(run.report), 0);
    }

    // A log on a full disk, or one that cannot be created: said once, and the unattended run
    // does not end with 0.
    void LogThatCannotBeWritten_data()
    {
        QTest::addColumn<QString>("log");
        QTest::newRow("full disk") << "/dev/full";
        QTest::newRow("no such directory") << "/nonexistent-praxon-dir/run.log";
    }

    void LogThatCannotBeWritten()
    {
        QFETCH(QString, log);
        PraxonStation station;
        QVERIFY(station.Prepare(SerialControlFile("2"), {"--watch", "0x200:2"}));
        const Finished run = Run(station, {"/L" + log});
        QCOMPARE(run.status, FileError);
        QCOMPARE(run.err.count("praxon: cannot write the log " + log + ": "), 1);
        // The run itself went on: the parts were programmed and its history is on standard output.
        QCOMPARE(NumbersOnChips(run.report), 4);
        QVERIFY(run.out.contains("Command-line Action Specified: "));
    }
};

QTEST_GUILESS_MAIN(TestUnattendedInputs)
#include "TestUnattendedInputs.moc"
