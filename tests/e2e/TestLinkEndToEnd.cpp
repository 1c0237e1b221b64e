// The real praxon executable, headless, resetting a praxon-boxsim process over a network serial
// port (RFC 2217 on 127.0.0.1), as it does at the end of every start-up.

#include "BoxSimProcess.h"
#include "PraxonProcess.h"
#include "TestPaths.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

namespace {
struct Run {
    int status = -1;
    QStringList log;
    QString err;
};

// One headless start on the sample file in folder (a new one when empty).
Run Praxon(const QString& url, const QStringList& more = {"/D16F877A"}, const QString& folder = QString())
{
    QTemporaryDir temporary;
    const QDir dir(folder.isEmpty() ? temporary.path() : folder);
    const QString log = dir.filePath(QStringLiteral("run.log"));
    const QString hex = dir.filePath(QStringLiteral("BLINK877A.HEX"));
    QFile::remove(log);
    if (!QFile::exists(hex))
        QFile::copy(TestPaths::Samples() + QStringLiteral("BLINK877A.HEX"), hex);
    const PraxonRun result = RunPraxonHeadless(QStringLiteral(PRAXON_EXECUTABLE), QStringList{hex, "/L" + log} + more,
                                               {{"PRAXON_SETTINGS_DIR", dir.path()}, {"PRAXON_COM1", url}});
    Run run;
    if (result.status == -1)
        return run;
    run.status = result.status;
    run.err = result.err;
    QFile file(log);
    if (file.open(QIODevice::ReadOnly))
        run.log = QString::fromUtf8(file.readAll()).split(u'\n');
    return run;
}
} // namespace

class TestLinkEndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void resetSucceeds()
    {
        BoxSimProcess sim(QStringLiteral(PRAXON_BOXSIM), {});
        QVERIFY(!sim.Url().isEmpty());
        const Run run = Praxon(sim.Url());
        QCOMPARE(run.status, 0);
        QVERIFY2(run.log.contains(QStringLiteral("Resetting Port:COM1 Success")), qPrintable(run.log.join('\n')));
        QVERIFY(run.log.contains(QStringLiteral("Resetting Praxon..")));
    }

    void oldFirmwareIsUpdated()
    {
        BoxSimProcess sim(QStringLiteral(PRAXON_BOXSIM), {"--firmware-version", "0x0117"});
        QVERIFY(!sim.Url().isEmpty());
        const Run run = Praxon(sim.Url());
        // The log's end says why a run failed (the whole log is too long for the test output).
        QVERIFY2(run.status == 0, qPrintable(run.log.mid(run.log.size() - 8).join('\n') + run.err));
        QVERIFY(run.err.contains(QStringLiteral("Synchronizing Hardware to Match Software")));
        QVERIFY(run.log.contains(QStringLiteral(" Loading IMAGE: PX0118A.DAT")));
        QVERIFY(run.log.contains(QStringLiteral("Synchronizing Firmware Results:   OK")));
        QVERIFY2(run.log.contains(QStringLiteral("Resetting Port:COM1 Success")), qPrintable(run.log.join('\n')));
    }

    // A notice answered without a person is printed as boxes are, with the answer it was given.
    // The first reset of a start downloads the box's configuration and leaves the notice out;
    // the Auto Run's reset shows it (the first start made the control file, the second runs).
    void parallelDeviceNoticeIsPrinted()
    {
        BoxSimProcess sim(QStringLiteral(PRAXON_BOXSIM), {"--hardware-revision", "3", "--modification", "0"});
        QVERIFY(!sim.Url().isEmpty());
        QTemporaryDir dir;
        Praxon(sim.Url(), {"/D16C57"}, dir.path());
        const Run run = Praxon(sim.Url(), {"/D16C57", "/X"}, dir.path());
        QVERIFY2(run.err.contains(QStringLiteral("praxon: notice: Notice - Modification Required:    Praxon Hardware "
                                                 "Versions 1.0 and 3.0 require modification")),
                 qPrintable(run.err));
        QVERIFY2(run.err.contains(QStringLiteral(
                     "unusable. |   | [ ] I have made the modification. Do not show this message again.\n")),
                 qPrintable(run.err));
    }

    void silentBoxIsNotResponding()
    {
        BoxSimProcess sim(QStringLiteral(PRAXON_BOXSIM), {"--silent-after", "0"});
        QVERIFY(!sim.Url().isEmpty());
        const Run run = Praxon(sim.Url());
        QVERIFY2(run.log.contains(QStringLiteral(" Praxon Not Responding ")), qPrintable(run.log.join('\n')));
        QVERIFY(!run.log.contains(QStringLiteral("Resetting Port:COM1 Success")));
        QVERIFY(run.err.contains(QStringLiteral("Communication Timeout: Praxon Not Responding.")));
        // The error word's low bits are the exit code: port error (the stopped open closes the
        // port), not responding and task failed.
        QCOMPARE(run.status, 0x0B);
        QVERIFY(run.err.contains(QStringLiteral("praxon: exit word: 0x000B")));
    }
};

QTEST_GUILESS_MAIN(TestLinkEndToEnd)
#include "TestLinkEndToEnd.moc"
