// The fault matrix: an unattended Auto Run (praxon /X on the sample file, sockets A and B) against a
// praxon-boxsim process that shows one fault at a time. For each fault: the exit status, a history
// line that names it, the boxes (answered by the auto-answer operator, written to standard error),
// the box's supplies switched off at the end, the HEX and control files exactly as they were, and
// the settings (saved at every exit) still holding the operator's sockets.

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

} // namespace

class TestFaultMatrix : public QObject
{
    Q_OBJECT

private slots:
    void faultStopsTheRunCleanly_data()
    {
        QTest::addColumn<QStringList>("sim");
        QTest::addColumn<int>("status");
        QTest::addColumn<QStringList>("history"); // fragments of lines of the /L log, all present
        QTest::addColumn<QString>("boxText");     // a fragment of a box's text; empty: no box at all
        QTest::addColumn<bool>("portGoes");       // the simulator is killed once the target is powered

        const QString taskFailed = QStringLiteral(" Current Programming Task Failed ");
        const QString eraseFailed = QStringLiteral(" Bulk Erase Device:               Failed");
        const QString noneDone = QStringLiteral("0 Devices Passed, Total is now: 0");
        const QString notResponding = QStringLiteral(" Praxon Not Responding ");
        // Failure bytes in place of the reply to the first operation's execute command (the erase).
        for (const char* byte : {"e", "f"})
            QTest::newRow(qPrintable(QStringLiteral("reply %1").arg(QLatin1String(byte))))
                << QStringList{"--reply-fault", QStringLiteral("1=") + QLatin1String(byte)} << 8
                << QStringList{eraseFailed, "   Device A: ERROR @ 0x000000", "   Device B: ERROR @ 0x000000", noneDone,
                               taskFailed}
                << QString() << false;
        QTest::newRow("reply 253") << QStringList{"--reply-fault", "1=253"} << 8
                                   << QStringList{eraseFailed, noneDone, " Voltage Error during Operation "}
                                   << QString() << false;
        QTest::newRow("reply 254") << QStringList{"--reply-fault", "1=254"} << 8
                                   << QStringList{eraseFailed, noneDone, " All Selected Devices Failed "} << QString()
                                   << false;
        // Supply faults, each on its own: the pre-test fails and names it, nothing is programmed.
        const std::pair<const char*, const char*> supplies[] = {
            {"0x01", " VDD Voltage TOO LOW "},  {"0x02", " VDD Voltage TOO HIGH "},  {"0x04", " VDD not rising "},
            {"0x08", " MCLR Voltage TOO LOW "}, {"0x10", " MCLR Voltage TOO HIGH "}, {"0x20", " MCLR not rising "},
        };
        for (const auto& [bits, line] : supplies)
            QTest::newRow(qPrintable(QStringLiteral("supply %1").arg(QLatin1String(bits))))
                << QStringList{"--supply-fault", QLatin1String(bits)} << 136
                << QStringList{" Pre-Test:                        Failed", noneDone, QLatin1String(line)} << QString()
                << false;
        QTest::newRow("voltage on VDD") << QStringList{"--vdd-idle", "40"} << 136
                                        << QStringList{" Pre-Test:                        Failed",
                                                       " Voltage detected on VDD "}
                                        << QString() << false;
        QTest::newRow("MCLR not low") << QStringList{"--vpp-idle", "30"} << 136
                                      << QStringList{" Pre-Test:                        Failed",
                                                     " Can not pull MCLR low "}
                                      << QString() << false;
        // Silence at each stage of the session.
        QTest::newRow("silent boot loader")
            << QStringList{"--silent-at", "loader"} << 11 << QStringList{" PORT ERROR:  COM1 ", notResponding, noneDone}
            << QString() << false;
        QTest::newRow("silent download") << QStringList{"--firmware-version", "0x0100", "--silent-at", "download:100"}
                                         << 11
                                         << QStringList{"Synchronizing Firmware Results:   Failed", notResponding,
                                                        noneDone}
                                         << QStringLiteral("Programmer Update Error: ERROR Syncronizing Firmware")
                                         << false;
        QTest::newRow("silent program") << QStringList{"--silent-at", "program:40"} << 10
                                        << QStringList{" Program Code Memory:             Failed", noneDone,
                                                       notResponding}
                                        << QString() << false;
        QTest::newRow("garbled reply") << QStringList{"--garbage-after", "2000"} << 12
                                       << QStringList{" Program Code Memory:             Failed", noneDone,
                                                      " Communication Error Detected: Bad Data Received "}
                                       << QString() << false;
        QTest::newRow("port gone") << QStringList{"--timing"} << 9
                                   << QStringList{" PORT ERROR:  COM1 ", noneDone, taskFailed} << QString() << true;
        QTest::newRow("bad cell") << QStringList{"--bad-cell", "B:0x3"} << 8
                                  << QStringList{"   Device B: ERROR @ 0x000003", "1 Devices Passed, Total is now: 1",
                                                 taskFailed}
                                  << QString() << false;
        QTest::newRow("empty socket") << QStringList{"--socket", "B=empty"} << 8
                                      << QStringList{"   Device B: ERROR @ 0x000000",
                                                     "1 Devices Passed, Total is now: 1", taskFailed}
                                      << QString() << false;
    }

    void faultStopsTheRunCleanly()
    {
        QFETCH(QStringList, sim);
        QFETCH(int, status);
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
        const QString settings = dir.filePath(QStringLiteral("settings/Kestrix/PX.ini"));
        const QString key = SettingsStore::KeyPath(TestPaths::RuntimeDir());
        QVERIFY(WriteFile(settings, "[" + key.toUtf8() + "/SOCKETS]\nA=1\nB=1\n"));
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
        for (const QString& line : history)
            QVERIFY2(lines.contains(line), qPrintable(line + context));
        if (boxText.isEmpty())
            QVERIFY2(!err.contains(QLatin1String("praxon: box:")), qPrintable(context));
        else
            QVERIFY2(err.contains(boxText), qPrintable(boxText + context));
        if (!portGoes) {
            const QString last = LastSupplyReport(box.Errors());
            QVERIFY2(last.isEmpty() || last == QLatin1String("supplies VDD off VPP off"), qPrintable(last + context));
        }
        const QByteArray after[] = {Digest(hex), Digest(control)};
        QVERIFY2(before[0] == after[0], "the HEX file changed");
        QVERIFY2(before[1] == after[1], "the control file changed");
        // The settings are saved at every exit; the save keeps the operator's sockets.
        QSettings saved(settings, QSettings::IniFormat);
        QCOMPARE(saved.value(key + QStringLiteral("/SOCKETS/A")).toString(), QStringLiteral("1"));
        QCOMPARE(saved.value(key + QStringLiteral("/SOCKETS/B")).toString(), QStringLiteral("1"));
    }
};

QTEST_GUILESS_MAIN(TestFaultMatrix)
#include "TestFaultMatrix.moc"
