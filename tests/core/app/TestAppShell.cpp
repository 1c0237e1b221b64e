#include "ScriptedOperator.h"
#include "TestPaths.h"
#include "core/app/AppShell.h"
#include "core/context/AppContext.h"

#include "core/options/SettingsFileFormat.h"
#include <QDir>

#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {
void WriteFile(const QString& path, const QByteArray& content)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
}

const QString NoFileWarning =
    QStringLiteral("WARNING: HEX file not specified.\rPlease open a HEX file before proceeding.");

// The shipped support set: device table, templates and firmware images.
void WriteSupportSet(const QString& dir)
{
    const QDir shipped(TestPaths::ShippedData());
    for (const QString& name : shipped.entryList(QDir::Files))
        QVERIFY(QFile::copy(shipped.filePath(name), dir + u'/' + name));
}

struct Fixture {
    QTemporaryDir settingsDir; // the per-user settings store of this test
    QTemporaryDir appDir;
    QTemporaryDir work;
    ScriptedOperator op;
    AppContext ctx{op, appDir.path()};
    AppShell shell{ctx};

    Fixture()
    {
        SettingsFileFormat::SetLocation(settingsDir.path());
        WriteSupportSet(appDir.path());
    }
    QString WorkFile(const QString& name) const { return work.filePath(name); }
    QStringList History() const
    {
        QStringList lines = const_cast<AppContext&>(ctx).History().DisplayText();
        for (QString& line : lines)
            line = line.trimmed();
        return lines;
    }
};
} // namespace

class TestAppShell : public QObject
{
    Q_OBJECT
private slots:
    void MissingSupportFilesEndStartUp()
    {
        Fixture f;
        QFile::remove(f.appDir.filePath("PX2801.PXT"));
        QVERIFY(!f.shell.StartUp({}, f.work.path()));
        QCOMPARE(f.op.Captions(), QStringList{"Support File Missing"});
    }

    void NoArgumentsNoFile()
    {
        Fixture f;
        QVERIFY(f.shell.StartUp({}, f.work.path()));
        QVERIFY(f.ctx.Flags().NoValidFile);
        QVERIFY(!f.ctx.Flags().AutoRunArmed);
        QVERIFY(!f.History().join('\n').contains("Command-line"));
        // Only the reconciliation's reminder that no HEX file is open.
        QCOMPARE(f.op.Texts(), QStringList{NoFileWarning});
        // The default device is loaded.
        QVERIFY(f.History().contains(QStringLiteral("  Loaded settings for MCU: ").leftJustified(40).trimmed() +
                                     QString(14, u' ') + "18F252"));
        QVERIFY(!f.shell.IdleAutoRun());
        QCOMPARE(f.ctx.Exit().ProcessStatus(), 0);
    }

    void McuFromCommandLineIsLoaded()
    {
        Fixture f;
        const QString hex = f.WorkFile("Board.hex");
        WriteFile(hex, ":00000001FF\r\n");
        WriteFile(f.WorkFile("Board.PXC"), "[CONTROL]\r\n");
        QVERIFY(f.shell.StartUp({hex, "/d18f252"}, f.work.path()));
        QCOMPARE(f.ctx.Profile().sectionName, QStringLiteral("18F252"));
        QCOMPARE(f.ctx.Window().McuText(), QStringLiteral("18F252"));
        QVERIFY(!f.ctx.Flags().NoValidFile);
        QVERIFY(f.ctx.Flags().AutoRunArmed);
        QVERIFY(f.op.boxes.isEmpty());
        QCOMPARE(f.ctx.File().controlPath, f.WorkFile("Board.PXC"));
    }

    void MissingHexFileWithExit()
    {
        Fixture f;
        const QString hex = f.WorkFile("absent.hex");
        QVERIFY(f.shell.StartUp({hex, "/X"}, f.work.path()));
        QCOMPARE(f.op.Captions(),
                 QStringList({"Required File Missing", "File Location Error", "Praxon MCU Programmer"}));
        QCOMPARE(f.op.boxes[2].text, NoFileWarning);
        QCOMPARE(f.op.boxes[0].text, "File does not exist: \r" + hex);
        QCOMPARE(f.op.boxes[1].text, "Could not find Specified HEX File:\r" + hex);
        QCOMPARE(f.op.boxes[1].icon, BoxIcon::Information);
        QVERIFY(f.History().contains("File does not exist:"));
        QVERIFY(f.ctx.Flags().NoValidFile);
        QVERIFY(f.ctx.File().hexPath.isEmpty());
        // /X: the run cannot start, so the program ends with the file-error status.
        QVERIFY(f.shell.IdleAutoRun());
        QCOMPARE(f.ctx.Exit().ProcessStatus(), 128);
    }

    void MissingHexFileWithoutExitStaysOpen()
    {
        Fixture f;
        QVERIFY(f.shell.StartUp({f.WorkFile("absent.hex"), "/A"}, f.work.path()));
        QVERIFY(!f.shell.IdleAutoRun());
        QCOMPARE(f.ctx.Exit().ProcessStatus(), 0);
    }

    void ControlFileWithoutHexFileKey()
    {
        Fixture f;
        const QString control = f.WorkFile("job.pxc");
        WriteFile(control, "[CONTROL]\r\n");
        QVERIFY(f.shell.StartUp({control, "/A", "/D18F252"}, f.work.path()));
        QCOMPARE(f.op.Captions(), QStringList({"File Location Error", "Praxon MCU Programmer"}));
        QCOMPARE(f.op.boxes[1].text, NoFileWarning);
        QVERIFY(f.op.boxes[0].text.startsWith("A Default HEX file has not been Specified.\r"));
        QCOMPARE(f.ctx.Profile().sectionName, QStringLiteral("18F252")); // /D still applies
        QVERIFY(!f.ctx.Flags().AutoRunPending);
    }

    void MissingControlFileForAnExistingHexFile()
    {
        Fixture f;
        const QString hex = f.WorkFile("new.hex");
        WriteFile(hex, ":00000001FF\r\n");
        QVERIFY(f.shell.StartUp({hex, "/X"}, f.work.path()));
        QCOMPARE(f.op.boxes.size(), 1);
        QVERIFY(f.op.boxes[0].text.startsWith("A Control File did not exist for the specified HEX file.\r"));
        QVERIFY(!f.ctx.Flags().AutoRunPending);
        QVERIFY(f.shell.IdleAutoRun());
        QCOMPARE(f.ctx.Exit().ProcessStatus(), 128);
    }

    void UnknownMcuStopsTheAutoRun()
    {
        Fixture f;
        const QString hex = f.WorkFile("b.hex");
        WriteFile(hex, ":00000001FF\r\n");
        WriteFile(f.WorkFile("b.PXC"), "[CONTROL]\r\n");
        QVERIFY(f.shell.StartUp({hex, "/X", "/D99Z999"}, f.work.path()));
        QVERIFY(!f.ctx.Flags().AutoRunPending);
        QVERIFY(f.shell.IdleAutoRun());
        QCOMPARE(f.ctx.Exit().ProcessStatus(), 128);
    }

    void AutoRunOutcomes()
    {
        Fixture f;
        const QString hex = f.WorkFile("c.hex");
        WriteFile(hex, ":00000001FF\r\n");
        WriteFile(f.WorkFile("c.PXC"), "[CONTROL]\r\n");
        QVERIFY(f.shell.StartUp({hex, "/X"}, f.work.path()));
        int runs = 0;
        f.shell.GetHooks().autoRun = [&]() {
            ++runs;
            f.ctx.Flags().TaskFailed = true;
        };
        QVERIFY(f.shell.IdleAutoRun());
        QCOMPARE(runs, 1);
        QCOMPARE(f.ctx.Exit().ProcessStatus(), 8); // failed without an error bit
        f.shell.IdleAutoRun();                     // only the first idle call can start it
        QCOMPARE(runs, 1);
    }

    void AutoRunWithoutExitEndsOnlyWhenItPasses()
    {
        for (const bool fail : {false, true}) {
            Fixture f;
            const QString hex = f.WorkFile("d.hex");
            WriteFile(hex, ":00000001FF\r\n");
            WriteFile(f.WorkFile("d.PXC"), "[CONTROL]\r\n");
            QVERIFY(f.shell.StartUp({hex, "/A"}, f.work.path()));
            f.shell.GetHooks().autoRun = [&]() { f.ctx.Flags().StopRequested = fail; };
            QCOMPARE(f.shell.IdleAutoRun(), !fail);
        }
    }

    void AutoRunWithoutEngineIsAFileError()
    {
        Fixture f;
        const QString hex = f.WorkFile("e.hex");
        WriteFile(hex, ":00000001FF\r\n");
        WriteFile(f.WorkFile("e.PXC"), "[CONTROL]\r\n");
        QVERIFY(f.shell.StartUp({hex, "/X"}, f.work.path()));
        QVERIFY(f.shell.IdleAutoRun());
        QCOMPARE(f.ctx.Exit().ProcessStatus(), 128);
        QCOMPARE(f.op.boxes.last().icon, BoxIcon::Warning);
    }

    void ChangedFileIsOfferedOncePerChange()
    {
        Fixture f;
        const QString hex = f.WorkFile("f.hex");
        WriteFile(hex, ":00000001FF\r\n");
        WriteFile(f.WorkFile("f.PXC"), "[CONTROL]\r\n");
        QVERIFY(f.shell.StartUp({hex}, f.work.path()));
        f.shell.FinishStartUp();
        f.shell.CheckFileChanged();
        QVERIFY(f.op.boxes.isEmpty());
        QFile file(hex);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.setFileTime(QDateTime::currentDateTime().addSecs(60), QFileDevice::FileModificationTime));
        file.close();
        f.op.QueueAnswer(CancelButton);
        f.shell.CheckFileChanged();
        QCOMPARE(f.op.Captions(), QStringList{"File Changed"});
        QCOMPARE(f.op.boxes[0].buttons, OkButton | CancelButton);
        f.shell.CheckFileChanged(); // cancelled: not asked again for this change
        QCOMPARE(f.op.boxes.size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestAppShell)
#include "TestAppShell.moc"
