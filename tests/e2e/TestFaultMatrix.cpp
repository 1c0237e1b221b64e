// The fault matrix: an unattended Auto Run (praxon /X on the sample file, sockets A and B) against a
// praxon-boxsim process that shows one fault at a time. For each fault: the exit status and the
// 16-bit exit word behind it, the history lines that name it, the boxes (answered by the
// auto-answer operator, written to standard error), the box's supplies switched off at the end,
// the HEX and control files exactly as they were, and the settings (saved at every exit) still
// holding the operator's sockets and link speed.

#include "BoxSimProcess.h"
#include "TestPaths.h"
#include "core/options/SettingsStore.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QByteArray Digest(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArrayLiteral("missing");
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
}

// What a row sets up besides the simulator's fault.
enum Setup {
    Plain,
    HighSpeed,    // the operator's settings ask for the 115200 link
    AutoRunReads, // templates whose Auto Run ends by reading the code memory back
};

bool WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// The last supply switch the simulator reported ("supplies VDD off VPP off"), or empty.
QString LastSupplyReport(const QString& report)
{
    const QStringList lines = report.split(u'\n');
    for (auto it = lines.crbegin(); it != lines.crend(); ++it) {
        if (it->startsWith(QLatin1String("supplies ")))
            return *it;
    }
    return QString();
}

// A copy of the shipped support files in dir whose 16F87XA Auto Run also reads the code memory
// (task code 28) after the last verify, so an unattended run meets a read transfer.
bool WriteReadingSupportFiles(const QString& dir)
{
    const QDir shipped(TestPaths::ShippedData());
    for (const QString& name : shipped.entryList(QDir::Files)) {
        if (!QFile::copy(shipped.filePath(name), dir + u'/' + name))
            return false;
    }
    const QString templates = dir + QStringLiteral("/PX2800.PXT");
    QFile file(templates);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    QByteArray text = file.readAll();
    file.close();
    const QByteArray autoRun = "[TP16F87XA]\n0=0,0,16,1,11,3,13,14,16,19,20,22,25,26,17,23\n";
    const int at = text.indexOf(autoRun);
    if (at < 0)
        return false;
    text.replace(at, autoRun.size(), "[TP16F87XA]\n0=0,0,16,1,12,3,13,14,16,19,20,22,25,26,17,23,28\n");
    return QFile::remove(templates) && WriteFile(templates, text);
}

} // namespace

class TestFaultMatrix : public QObject
{
    Q_OBJECT

private slots:
    void faultStopsTheRunCleanly_data()
    {
        QTest::addColumn<QStringList>("sim");
        QTest::addColumn<int>("setup");
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("word");            // the exit word on standard error; 0: no such line
        QTest::addColumn<QStringList>("history"); // fragments of lines of the /L log, all present
        QTest::addColumn<QString>("boxText");     // a fragment of a box's text; empty: no box at all
        QTest::addColumn<bool>("portGoes");       // the simulator is killed once the target is powered

        const QString taskFailed = QStringLiteral(" Current Programming Task Failed ");
        const QString eraseFailed = QStringLiteral(" Bulk Erase Device:               Failed");
        const QString noneDone = QStringLiteral("0 Devices Passed, Total is now: 0");
        const QString notResponding = QStringLiteral(" Praxon Not Responding ");
        const QString portError = QStringLiteral(" PORT ERROR:  COM1 ");
        const QString bothFailed[] = {QStringLiteral("   Device A: ERROR @ 0x000000"),
                                      QStringLiteral("   Device B: ERROR @ 0x000000")};
        // Failure bytes in place of the reply to the first operation's execute command (the erase).
        // Each fails both sockets; 253 and 254 add their own bit, which the report names and then
        // clears, leaving the task-failed bit they imply.
        const std::pair<const char*, QString> replies[] = {
            {"e", taskFailed},
            {"f", taskFailed},
            {"253", QStringLiteral(" Voltage Error during Operation ")},
            {"254", QStringLiteral(" All Selected Devices Failed ")},
        };
        for (const auto& [byte, line] : replies)
            QTest::newRow(qPrintable(QStringLiteral("reply %1").arg(QLatin1String(byte))))
                << QStringList{"--reply-fault", QStringLiteral("1=") + QLatin1String(byte)} << int(Plain) << 8 << 0x0008
                << QStringList{eraseFailed, bothFailed[0], bothFailed[1], noneDone, taskFailed, line} << QString()
                << false;
        // The box fails the code programming's parameter block in its middle (received byte 142
        // of the session): the acknowledgements of the block's bytes already on their way come
        // after the failure and are not bad data; the task failed.
        for (const char* byte : {"0x65", "0x66"})
            QTest::newRow(qPrintable(QStringLiteral("parameter block %1").arg(QLatin1String(byte))))
                << QStringList{"--garbage-after", QStringLiteral("141:") + QLatin1String(byte)} << int(Plain) << 8
                << 0x0008
                << QStringList{" Program Code Memory:             Failed", bothFailed[0], noneDone, taskFailed}
                << QString() << false;
        // Supply faults, each on its own: the pre-test fails and names it, nothing is programmed.
        const std::tuple<const char*, int, const char*> supplies[] = {
            {"0x01", 0x0100, " VDD Voltage TOO LOW "},   {"0x02", 0x0200, " VDD Voltage TOO HIGH "},
            {"0x04", 0x0400, " VDD not rising "},        {"0x08", 0x0800, " MCLR Voltage TOO LOW "},
            {"0x10", 0x1000, " MCLR Voltage TOO HIGH "}, {"0x20", 0x2000, " MCLR not rising "},
        };
        for (const auto& [bits, word, line] : supplies)
            QTest::newRow(qPrintable(QStringLiteral("supply %1").arg(QLatin1String(bits))))
                << QStringList{"--supply-fault", QLatin1String(bits)} << int(Plain) << 136 << word
                << QStringList{" Pre-Test:                        Failed", noneDone, QLatin1String(line)} << QString()
                << false;
        QTest::newRow("voltage on VDD") << QStringList{"--vdd-idle", "40"} << int(Plain) << 136 << 0x4000
                                        << QStringList{" Pre-Test:                        Failed",
                                                       " Voltage detected on VDD "}
                                        << QString() << false;
        QTest::newRow("MCLR not low") << QStringList{"--vpp-idle", "30"} << int(Plain) << 136 << 0x8000
                                      << QStringList{" Pre-Test:                        Failed",
                                                     " Can not pull MCLR low "}
                                      << QString() << false;
        // Silence at each stage of the session. A box that stops answering during a reset fails
        // the open (port error, not responding) at start-up and again at the Auto Run's reset.
        QTest::newRow("silent boot loader") << QStringList{"--silent-at", "loader"} << int(Plain) << 11 << 0x000B
                                            << QStringList{portError, notResponding, noneDone} << QString() << false;
        QTest::newRow("silent download") << QStringList{"--firmware-version", "0x0100", "--silent-at", "download:100"}
                                         << int(Plain) << 11 << 0x000B
                                         << QStringList{"Synchronizing Firmware Results:   Failed", notResponding,
                                                        noneDone}
                                         << QStringLiteral("Programmer Update Error: ERROR Syncronizing Firmware")
                                         << false;
        QTest::newRow("silent reset") << QStringList{"--silent-at", "reset"} << int(Plain) << 11 << 0x000B
                                      << QStringList{portError, notResponding, noneDone} << QString() << false;
        // Silent on the speed change: the trial fails at start-up and is not tried again, so the
        // Auto Run's reset keeps 57600 and the run passes (its reset clears the word).
        QTest::newRow("silent speed change")
            << QStringList{"--silent-at", "speed"} << int(HighSpeed) << 0 << 0
            << QStringList{" Higher Transfer Speed Failed. ", "2 Devices Passed, Total is now: 2"} << QString()
            << false;
        QTest::newRow("silent program") << QStringList{"--silent-at", "program:40"} << int(Plain) << 10 << 0x000A
                                        << QStringList{" Program Code Memory:             Failed", noneDone,
                                                       notResponding}
                                        << QString() << false;
        QTest::newRow("silent read") << QStringList{"--silent-at", "read:40"} << int(AutoRunReads) << 10 << 0x000A
                                     << QStringList{" Verify Configuration Words:      OK",
                                                    " Read Code Memory:                Failed", noneDone, notResponding}
                                     << QString() << false;
        QTest::newRow("garbled reply") << QStringList{"--garbage-after", "2000"} << int(Plain) << 12 << 0x000C
                                       << QStringList{" Program Code Memory:             Failed", noneDone,
                                                      " Communication Error Detected: Bad Data Received "}
                                       << QString() << false;
        QTest::newRow("port gone") << QStringList{"--timing"} << int(Plain) << 9 << 0x0009
                                   << QStringList{portError, noneDone, taskFailed} << QString() << true;
        QTest::newRow("bad cell") << QStringList{"--bad-cell", "B:0x3"} << int(Plain) << 8 << 0x0008
                                  << QStringList{"   Device B: ERROR @ 0x000003", "1 Devices Passed, Total is now: 1",
                                                 taskFailed}
                                  << QString() << false;
        QTest::newRow("empty socket") << QStringList{"--socket", "B=empty"} << int(Plain) << 8 << 0x0008
                                      << QStringList{bothFailed[1], "1 Devices Passed, Total is now: 1", taskFailed}
                                      << QString() << false;
    }

    void faultStopsTheRunCleanly()
    {
        QFETCH(QStringList, sim);
        QFETCH(int, setup);
        QFETCH(int, status);
        QFETCH(int, word);
        QFETCH(QStringList, history);
        QFETCH(QString, boxText);
        QFETCH(bool, portGoes);

        QTemporaryDir dir;
        const QString hex = dir.filePath(QStringLiteral("BLINK877A.HEX"));
        const QString control = dir.filePath(QStringLiteral("BLINK877A.PXC"));
        QVERIFY(QFile::copy(TestPaths::Samples() + QStringLiteral("BLINK877A.HEX"), hex));
        QVERIFY(QFile::copy(TestPaths::Samples() + QStringLiteral("BLINK877A.PXC"), control));
        QFile::setPermissions(control, QFile::ReadOwner | QFile::WriteOwner);
        QVERIFY(QDir().mkpath(dir.filePath(QStringLiteral("settings/Kestrix"))));
        const QString appDir = setup == AutoRunReads ? dir.filePath(QStringLiteral("app")) : QString();
        if (!appDir.isEmpty())
            QVERIFY(QDir().mkpath(appDir) && WriteReadingSupportFiles(appDir));
        const QString settings = dir.filePath(QStringLiteral("settings/Kestrix/PX.ini"));
        const QString key = SettingsStore::KeyPath(appDir.isEmpty() ? TestPaths::RuntimeDir() : appDir);
        const QByteArray highSpeed = setup == HighSpeed ? "1" : "0";
        QVERIFY(WriteFile(settings, "[" + key.toUtf8() + "/SOCKETS]\nA=1\nB=1\n[" + key.toUtf8() +
                                        "/OPTIONS]\nHighspeed=" + highSpeed + "\n"));
        const QByteArray before[] = {Digest(hex), Digest(control)};

        BoxSimProcess box(QStringLiteral(PRAXON_BOXSIM), QStringList{"--verbose"} + sim);
        QVERIFY(!box.Url().isEmpty());
        const QString log = dir.filePath(QStringLiteral("run.log"));
        QProcess praxon;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("PRAXON_AUTO_ANSWER"), QStringLiteral("1"));
        env.insert(QStringLiteral("PRAXON_SETTINGS_DIR"), dir.filePath(QStringLiteral("settings")));
        env.insert(QStringLiteral("PRAXON_COM1"), box.Url());
        if (!appDir.isEmpty())
            env.insert(QStringLiteral("PRAXON_APP_DIR"), appDir);
        env.remove(QStringLiteral("DISPLAY"));
        praxon.setProcessEnvironment(env);
        praxon.start(QStringLiteral(PRAXON_EXECUTABLE), {hex, "/D16F877A", "/X", "/L" + log});
        if (portGoes) {
            // The port disappears while the first operation runs (at the modelled line rate).
            QVERIFY(box.WaitForReport(QStringLiteral("supplies VDD on"), 30000));
            QTest::qWait(150);
            box.Kill();
        }
        QVERIFY(praxon.waitForFinished(90000));
        box.Stop();
        const QString err = QString::fromLocal8Bit(praxon.readAllStandardError());
        QFile logFile(log);
        QVERIFY(logFile.open(QIODevice::ReadOnly));
        const QString lines = QString::fromLatin1(logFile.readAll());
        const QString context = QStringLiteral("\n--- log\n%1\n--- stderr\n%2\n--- box\n%3")
                                    .arg(lines.right(1400), err.right(1500), box.Errors().right(300));

        QCOMPARE(praxon.exitStatus(), QProcess::NormalExit);
        QVERIFY2(praxon.exitCode() == status, qPrintable(QString::number(praxon.exitCode()) + context));
        const QString wordLine =
            QStringLiteral("praxon: exit word: 0x") + QString::number(word, 16).toUpper().rightJustified(4, u'0');
        if (word == 0)
            QVERIFY2(!err.contains(QLatin1String("praxon: exit word:")), qPrintable(context));
        else
            QVERIFY2(err.contains(wordLine),
                     qPrintable(wordLine + QStringLiteral(" expected; stderr:\n") + err.right(600)));
        for (const QString& line : history)
            QVERIFY2(lines.contains(line), qPrintable(line + context));
        if (!(word & 0x0004))
            QVERIFY2(!lines.contains(QLatin1String(" Communication Error Detected: Bad Data Received ")),
                     qPrintable(context));
        // A run that ends with the link broken resets the box, which switches the target off.
        if (boxText.isEmpty())
            QVERIFY2(!err.contains(QLatin1String("praxon: box:")), qPrintable(context));
        else
            QVERIFY2(err.contains(boxText), qPrintable(boxText + context));
        if (!portGoes) {
            const QString last = LastSupplyReport(box.Errors());
            QVERIFY2(last.isEmpty() || last == QLatin1String("supplies VDD off VPP off"), qPrintable(last + context));
        }
        const bool resetLine = lines.contains(QLatin1String(" Link Error: Praxon Reset, Target Power Off "));
        if (!(word & 0x0006))
            QVERIFY2(!resetLine, qPrintable(context));
        else if (!(word & 0x0001))
            QVERIFY2(resetLine, qPrintable(context));
        const QByteArray after[] = {Digest(hex), Digest(control)};
        QVERIFY2(before[0] == after[0], "the HEX file changed");
        QVERIFY2(before[1] == after[1], "the control file changed");
        // The settings are saved at every exit; the save keeps the operator's sockets.
        QSettings saved(settings, QSettings::IniFormat);
        QCOMPARE(saved.value(key + QStringLiteral("/SOCKETS/A")).toString(), QStringLiteral("1"));
        QCOMPARE(saved.value(key + QStringLiteral("/SOCKETS/B")).toString(), QStringLiteral("1"));
        QCOMPARE(saved.value(key + QStringLiteral("/OPTIONS/Highspeed")).toByteArray(), highSpeed);
    }
};

QTEST_GUILESS_MAIN(TestFaultMatrix)
#include "TestFaultMatrix.moc"
