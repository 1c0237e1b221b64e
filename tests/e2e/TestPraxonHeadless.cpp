// Runs the real praxon executable headless, the way a production script does, and checks its
// exit status, its standard error and the history it mirrors into the /L log.

#include "PraxonProcess.h"
#include "TestPaths.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

namespace {
// No programmer box answers on COM1 in these runs: the reset at the end of start-up records a
// port error (bit 0x01), which becomes the exit status.
constexpr int NoBoxStatus = 1;

using Run = PraxonRun;

Run Praxon(const QStringList& args, const QString& appDir = QString())
{
    // The runs keep their settings store away from the user's own.
    static QTemporaryDir settings;
    QMap<QString, QString> env{{"PRAXON_SETTINGS_DIR", settings.path()}};
    if (!appDir.isEmpty())
        env.insert("PRAXON_APP_DIR", appDir);
    return RunPraxonHeadless(QStringLiteral(PRAXON_EXECUTABLE), args, env);
}

QStringList ReadLines(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split(u'\n');
}

QString Padded(const QString& text, const QString& value)
{
    return text.leftJustified(40) + value;
}
} // namespace

class TestPraxonHeadless : public QObject
{
    Q_OBJECT
private slots:
    void LogsCommandLineAndDevice()
    {
        QTemporaryDir work;
        const QString hex = work.filePath("BLINK877A.HEX");
        QVERIFY(QFile::copy(TestPaths::Samples() + "BLINK877A.HEX", hex));
        const QString log = work.filePath("Run.log");
        const Run run = Praxon({hex, "/D16F877A", "/L" + log});
        QCOMPARE(run.status, NoBoxStatus);
        const QStringList lines = ReadLines(log);
        QVERIFY2(lines.contains("Command-line Parameters Received: "), qPrintable(lines.join('\n')));
        QVERIFY(lines.contains("  1: " + hex));
        QVERIFY(lines.contains("  2: /D16F877A"));
        QVERIFY(lines.contains("  3: /L" + log));
        QVERIFY(lines.contains(Padded("Command-line MCU Specified: ", "16F877A")));
        QVERIFY(lines.contains(Padded("  Loaded settings for MCU: ", "16F877A")));
        // The same history is printed on standard output.
        QVERIFY(run.out.contains(Padded("  Loaded settings for MCU: ", "16F877A")));
        // The control-file notice went to standard error instead of waiting for a person.
        QVERIFY2(run.err.contains("praxon: box: Praxon MCU Programmer: A Control File did not exist for the specified "
                                  "HEX file. | One will be created"),
                 qPrintable(run.err));
    }

    void UnattendedRunWithoutFileFails()
    {
        QTemporaryDir work;
        const QString hex = work.filePath("missing.hex");
        const Run run = Praxon({hex, "/X"});
        QCOMPARE(run.status, 128);
        QVERIFY(run.err.contains("praxon: box: Required File Missing: File does not exist:  | " + hex));
        QVERIFY(run.err.contains("praxon: box: File Location Error: Could not find Specified HEX File: | " + hex));
    }

    void MissingSupportFilesEndWithFailure()
    {
        QTemporaryDir empty;
        const Run run = Praxon({}, empty.path());
        QCOMPARE(run.status, 128);
        QVERIFY(run.err.contains("praxon: box: Support File Missing: Required Support Files for Version 2.8.0 are "
                                 "Missing. | Please re-install software or Contact Kestrix Support."));
    }

    // --help and --version alone answer before anything starts: no support files are looked for
    // (the application directory is empty) and the settings store is not created. With another
    // argument beside them they are an ordinary first argument, a file name.
    void HelpAndVersionStartNothing_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("out"); // pattern of standard output, then standard error
        QTest::newRow("help") << QStringList{"--help"} << 0 << "^Usage: praxon \\[FILE\\].*/X.*PRAXON_COM1";
        QTest::newRow("version") << QStringList{"--version"} << 0 << "^praxon \\d+\\.\\d+\\.\\d+\n$";
        QTest::newRow("not alone") << QStringList{"--version", "/X"} << 128 << "praxon: box: Support File Missing";
    }

    void HelpAndVersionStartNothing()
    {
        QFETCH(QStringList, args);
        QFETCH(int, status);
        QFETCH(QString, out);
        QTemporaryDir empty;
        QTemporaryDir settings;
        const Run run = RunPraxonHeadless(QStringLiteral(PRAXON_EXECUTABLE), args,
                                          {{"PRAXON_SETTINGS_DIR", settings.path()}, {"PRAXON_APP_DIR", empty.path()}});
        QCOMPARE(run.status, status);
        QVERIFY2(
            QRegularExpression(out, QRegularExpression::DotMatchesEverythingOption).match(run.out + run.err).hasMatch(),
            qPrintable(run.out + run.err));
        if (status == 0) {
            QVERIFY2(run.err.isEmpty(), qPrintable(run.err));
            QVERIFY(QDir(settings.path()).isEmpty());
        }
    }
};

QTEST_GUILESS_MAIN(TestPraxonHeadless)
#include "TestPraxonHeadless.moc"
