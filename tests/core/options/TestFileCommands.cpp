// Control files through the program's own paths: start-up and OpenCurrentFile creating and
// reading them, the File commands (open, save option settings) and the close prompt.

#include "OptionsFixture.h"
#include "core/app/AppShell.h"
#include "core/app/FileCommands.h"
#include "core/model/OptionIndex.h"
#include "core/options/SettingsStore.h"
#include "core/util/IniFile.h"

#include <QDir>
#include <QtTest>

using namespace OptionIndex;
using OptionsTest::ReadFile;
using OptionsTest::WriteFile;

namespace {
const QByteArray EmptyHex = ":00000001FF\r\n";
const QString Saved = QStringLiteral("Option Settings/Data have been saved.");

struct ShellFixture : OptionsTest::Fixture {
    AppShell shell{ctx};
    bool Start(const QStringList& args)
    {
        const bool started = shell.StartUp(args, work.path());
        shell.FinishStartUp();
        return started;
    }
    QString Hex(const QString& name)
    {
        const QString path = WorkFile(name);
        WriteFile(path, EmptyHex);
        return path;
    }
    // A later run of the program on the same installation and store.
    struct Run {
        explicit Run(const QString& appDir) : ctx(op, appDir) {}
        ScriptedOperator op;
        AppContext ctx;
        AppShell shell{ctx};
    };
    std::unique_ptr<Run> NextRun() { return std::make_unique<Run>(ctx.AppDir()); }
};
} // namespace

class TestFileCommands : public QObject
{
    Q_OBJECT
private slots:
    void NewHexFileGetsAFactoryControlFile()
    {
        ShellFixture f;
        const QString hex = f.Hex("Widget.hex");
        QVERIFY(f.Start({hex}));
        const QString control = f.WorkFile("Widget.PXC");
        QCOMPARE(f.ctx.File().controlPath, control);
        QVERIFY(f.op.Texts().first().startsWith("A Control File did not exist for the specified HEX file.\r"));
        QVERIFY(!f.ctx.Flags().AutoRunPending);
        const IniFile file(control);
        QCOMPARE(file.ReadString("OPTIONS", "BLOCKCP", ""), QString("1")); // factory, not the absent 0
        QCOMPARE(file.ReadString("OPTIONS", "VERIFY", ""), QString("1"));
        QCOMPARE(file.ReadString("OPTIONS", "NOREAD", ""), QString("0"));
        QCOMPARE(file.ReadString("CONTROL", "HEXFILE", ""), hex);
        QCOMPARE(file.ReadString("SERIALNUM", "last_hex", ""), QString("0"));
        // The settings store was saved as well and remembers the file.
        auto next = f.NextRun();
        SettingsStore::Load(next->ctx);
        QCOMPARE(next->ctx.File().hexPath, hex);
    }

    void ChangedControlFileIsInForceNextRun()
    {
        ShellFixture f;
        const QString hex = f.Hex("Widget.hex");
        QVERIFY(f.Start({hex}));
        IniFile control(f.WorkFile("Widget.PXC"));
        control.WriteString("OPTIONS", "VERIFY", "0");
        control.WriteString("OPTIONS", "MCUoverride", "1");
        control.WriteString("OPTIONS", "DEV", "16F877A");
        QVERIFY(control.Save());

        auto next = f.NextRun();
        QVERIFY(next->shell.StartUp({}, f.work.path()));
        QCOMPARE(next->ctx.File().hexPath, hex);
        QVERIFY(!next->op.Texts().join('\n').contains("A Control File did not exist"));
        QVERIFY(!next->ctx.Options().IsSet(Verify));
        QCOMPARE(next->ctx.Profile().sectionName, QString("16F877A"));
    }

    // The store remembers product A's control file; a HEX file named on the command line must not
    // take A's options, overrides or counters.
    void CommandLineHexUsesItsOwnControlFile()
    {
        ShellFixture f;
        const QString a = f.Hex("ProductA.hex");
        WriteFile(f.WorkFile("ProductA.PXC"), "[OPTIONS]\r\nVERIFY=0\r\nEEoverride=1\r\n[CONTROL]\r\nPSED=pw\r\n"
                                              "[SERIALNUM]\r\nlast_hex=4D2\r\nlength=3\r\n");
        QVERIFY(f.Start({a}));
        QVERIFY(FileCommands::ClosePrompt(f.ctx));

        auto next = f.NextRun();
        const QString b = f.Hex("ProductB.hex");
        QVERIFY(next->shell.StartUp({b}, f.work.path()));
        QCOMPARE(next->ctx.File().controlPath, f.WorkFile("ProductB.PXC"));
        QVERIFY(next->ctx.Options().IsSet(Verify));
        QVERIFY(!next->ctx.Options().IsSet(EeOverride));
        QVERIFY(next->ctx.Options().Password().isEmpty());
        QCOMPARE(next->ctx.SerialSettings().lastHexText, QString("0"));
        QCOMPARE(int(next->ctx.SerialSettings().length), 1);
        const IniFile created(f.WorkFile("ProductB.PXC"));
        QCOMPARE(created.ReadString("SERIALNUM", "last_hex", ""), QString("0"));
        QVERIFY(!created.SectionExists("EEOVERRIDE"));
        // Product A's file is untouched.
        QCOMPARE(IniFile(f.WorkFile("ProductA.PXC")).ReadString("SERIALNUM", "last_hex", ""), QString("4D2"));
    }

    void ControlFileFoundWhateverItsCase()
    {
        ShellFixture f;
        const QString hex = f.Hex("board.hex");
        WriteFile(f.WorkFile("BOARD.PXC"), "[OPTIONS]\r\nVERIFY=0\r\n");
        QVERIFY(f.Start({hex}));
        QCOMPARE(f.ctx.File().controlPath, f.WorkFile("BOARD.PXC"));
        QVERIFY(!f.ctx.Options().IsSet(Verify));
        QCOMPARE(QDir(f.work.path()).entryList({"*.pxc", "*.PXC"}, QDir::Files), QStringList{"BOARD.PXC"});
    }

    // A length beyond 65535 interrupts the settings load; the file still opens with fallback values.
    void InterruptedLoadLeavesAUsableProgram()
    {
        ShellFixture f;
        const QString hex = f.Hex("Bad.hex");
        WriteFile(f.WorkFile("Bad.PXC"), "[OPTIONS]\r\nVERIFY=0\r\n[SERIALNUM]\r\nlength=65536\r\n");
        QVERIFY(f.Start({hex, "/A"}));
        // The operator is told that the options are factory values, and the Auto Run waits.
        QVERIFY(f.op.Captions().contains("Control File Error"));
        QVERIFY(f.op.Texts().join('\n').contains("Invalid Serial Number Length (65536)"));
        QVERIFY(f.op.Texts().join('\n').contains("All Options have been set to Factory Defaults"));
        QVERIFY(!f.ctx.Flags().AutoRunPending);
        QVERIFY(f.ctx.Options().IsSet(Verify)); // factory values
        QCOMPARE(f.ctx.Window().PortIndex(), 0);
        QVERIFY(!f.ctx.File().mcuName.isEmpty());
        QVERIFY(!f.ctx.Profile().sectionName.isEmpty());
        QCOMPARE(f.ctx.File().hexPath, hex);
        QVERIFY(!f.ctx.Workstation().Loading());
    }

    void ClosePromptYesSavesBoth()
    {
        ShellFixture f;
        const QString hex = f.Hex("Job.hex");
        QVERIFY(f.Start({hex}));
        f.op.Clear();
        f.ctx.Options().SetValue(Verify, false);
        f.ctx.Flags().SettingsDirty = true;
        f.op.QueueAnswer(YesButton);
        QVERIFY(FileCommands::ClosePrompt(f.ctx));
        QCOMPARE(f.op.Captions(), (QStringList{"Save Option Settings/Data", "Praxon MCU Programmer"}));
        QCOMPARE(f.op.boxes[0].text, "Save changes to Option Settings and Data for this HEX file:\r\r" + hex + " ...?");
        QCOMPARE(f.op.boxes[0].buttons, int(YesButton | NoButtonAnswer));
        QCOMPARE(f.op.sounds.first(), SoundKind::Question);
        QCOMPARE(f.op.boxes[1].text, Saved);
        QCOMPARE(IniFile(f.ctx.File().controlPath).ReadString("OPTIONS", "VERIFY", ""), QString("0"));
        QVERIFY(!f.ctx.Flags().SettingsDirty);
    }

    void ClosePromptNoKeepsTheControlFile()
    {
        ShellFixture f;
        const QString hex = f.Hex("Job.hex");
        QVERIFY(f.Start({hex}));
        const QByteArray before = ReadFile(f.ctx.File().controlPath);
        f.op.Clear();
        f.ctx.Options().SetValue(Verify, false);
        f.ctx.Window().SetPortIndex(3);
        f.ctx.Flags().SettingsDirty = true;
        f.op.QueueAnswer(NoButtonAnswer);
        QVERIFY(FileCommands::ClosePrompt(f.ctx));
        QCOMPARE(f.op.Captions(), QStringList{"Save Option Settings/Data"});
        QCOMPARE(ReadFile(f.ctx.File().controlPath), before);
        QVERIFY(!f.ctx.Flags().SettingsDirty);
        // The workstation settings were saved all the same.
        auto next = f.NextRun();
        SettingsStore::Load(next->ctx);
        QCOMPARE(next->ctx.Window().PortIndex(), 3);
    }

    void ClosePromptDoesNotAskWhenCleanOrLocked()
    {
        ShellFixture f;
        QVERIFY(f.Start({f.Hex("Job.hex")}));
        f.op.Clear();
        QVERIFY(FileCommands::ClosePrompt(f.ctx));
        QVERIFY(f.op.boxes.isEmpty());
        f.ctx.Flags().SettingsDirty = true;
        f.ctx.File().optionAccessMode = 2;
        const QByteArray before = ReadFile(f.ctx.File().controlPath);
        f.ctx.Options().SetValue(Verify, false);
        QVERIFY(FileCommands::ClosePrompt(f.ctx));
        QVERIFY(f.op.boxes.isEmpty());
        QCOMPARE(ReadFile(f.ctx.File().controlPath), before);
    }

    void FailedSaveIsNotReportedAsSaved_data()
    {
        QTest::addColumn<bool>("storeFails");
        QTest::newRow("settings store cannot be written") << true;
        QTest::newRow("control file cannot be written") << false;
    }

    void FailedSaveIsNotReportedAsSaved()
    {
        QFETCH(bool, storeFails);
        ShellFixture f;
        QVERIFY(f.Start({f.Hex("Job.hex")}));
        const QString control = f.ctx.File().controlPath;
        const QByteArray before = ReadFile(control);
        f.op.Clear();
        f.ctx.Options().SetValue(Verify, false);
        // The store keeps the log path, only the control file keeps the password: whichever is
        // made large no longer fits.
        if (storeFails)
            f.ctx.SerialSettings().logFile = QString(4000, u'L');
        else
            f.ctx.Options().SetPassword(QString(4000, u'P'));
        f.ctx.Flags().SettingsDirty = true;
        f.op.QueueAnswer(YesButton);
        {
            const qint64 room = qMax(QFileInfo(f.settings.StoreFile()).size(), qint64(before.size())) + 2000;
            const OptionsTest::FileSizeLimit full{rlim_t(room)};
            QVERIFY(!FileCommands::ClosePrompt(f.ctx));
        }
        QVERIFY(!f.op.Texts().contains(Saved));
        QCOMPARE(f.op.Captions().last(), QString("File Error"));
        QCOMPARE(f.op.Texts().last().startsWith("Error Writing to Control File: "), !storeFails);
        QCOMPARE(ReadFile(control), before);
        QVERIFY(f.ctx.Flags().SettingsDirty);
        QVERIFY(!f.ctx.Options().IsSet(Verify));
    }

    void SaveOptionSettingsReopensFromTheFile()
    {
        ShellFixture f;
        const QString hex = f.Hex("Job.hex");
        QVERIFY(f.Start({hex}));
        int locks = 0;
        f.ctx.Bindings().lockForRun = [&locks](bool locked) { locks += locked ? 1 : -1; };
        f.op.Clear();
        f.ctx.Options().SetValue(NoRead, true);
        f.ctx.Flags().SettingsDirty = true;
        QVERIFY(FileCommands::SaveOptionSettings(f.ctx, f.shell));
        QCOMPARE(f.op.Texts().last(), Saved);
        QCOMPARE(locks, 0);
        QVERIFY(!f.ctx.Flags().SettingsDirty);
        QVERIFY(!f.ctx.Bindings().Switch(OptionSwitch::SaveSettingsNow));
        // Reopened through the control file, whose NOREAD is now 1.
        QVERIFY(f.ctx.Flags().ControlFileGiven);
        QCOMPARE(f.ctx.File().hexPath, hex);
        QVERIFY(f.ctx.Options().IsSet(NoRead));
        QVERIFY(f.ctx.Flags().ProgramReady);
    }

    void SaveOptionSettingsFailureKeepsTheEdits()
    {
        ShellFixture f;
        QVERIFY(f.Start({f.Hex("Job.hex")}));
        const QString control = f.ctx.File().controlPath;
        const QByteArray before = ReadFile(control);
        f.op.Clear();
        f.ctx.Options().SetValue(NoRead, true);
        f.ctx.SerialSettings().logFile = QString(4000, u'L');
        f.ctx.Flags().SettingsDirty = true;
        {
            const OptionsTest::FileSizeLimit full(QFileInfo(f.settings.StoreFile()).size() + 2000);
            QVERIFY(!FileCommands::SaveOptionSettings(f.ctx, f.shell));
        }
        QVERIFY(!f.op.Texts().contains(Saved));
        QCOMPARE(ReadFile(control), before);
        QVERIFY(f.ctx.Options().IsSet(NoRead)); // not reopened, edits kept
        QVERIFY(f.ctx.Flags().SettingsDirty);
        QVERIFY(!f.ctx.Flags().ControlFileGiven);
    }

    void OpenControlFileDirectly()
    {
        ShellFixture f;
        QVERIFY(f.Start({}));
        const QString hex = f.Hex("Line.hex");
        WriteFile(f.WorkFile("line.pxc"), "[CONTROL]\r\nHEXFILE=Line.hex\r\n[OPTIONS]\r\nBLNCHKEPROM=0\r\n");
        f.op.Clear();
        FileCommands::OpenFile(f.ctx, f.shell, f.WorkFile("line.pxc"));
        QVERIFY(f.ctx.Flags().ControlFileGiven);
        QCOMPARE(f.ctx.File().hexPath, hex);
        QVERIFY(!f.ctx.Options().IsSet(BlankCheck));
        QVERIFY(f.History().contains("Control File Specified For:"));
        QVERIFY(f.ctx.Flags().ProgramReady);
    }

    void OpenMissingControlFile()
    {
        ShellFixture f;
        QVERIFY(f.Start({}));
        f.op.Clear();
        const QString missing = f.WorkFile("gone.PXC");
        FileCommands::OpenFile(f.ctx, f.shell, missing);
        QCOMPARE(f.op.Captions(), QStringList{"Required File Missing"});
        QCOMPARE(f.op.Texts(), QStringList{"Specified Control File Missing: \r" + missing});
        QVERIFY(f.History().contains("Specified Control File Missing:"));
        QVERIFY(!QFile::exists(missing));
        QVERIFY(f.ctx.Flags().ProgramReady);
    }

    void OpenFileCommandUsesTheChooser()
    {
        ShellFixture f;
        QVERIFY(f.Start({}));
        const QString hex = f.Hex("Chosen.HEX");
        f.op.QueueFile(hex);
        FileCommands::OpenFileCommand(f.ctx, f.shell);
        QCOMPARE(f.op.fileRequests.size(), 1);
        QCOMPARE(f.op.fileRequests[0].caption, QString("Open HEX File"));
        QCOMPARE(f.ctx.File().hexPath, hex);
        QVERIFY(QFile::exists(f.WorkFile("Chosen.PXC")));
        // Cancelled: nothing happens.
        FileCommands::OpenFileCommand(f.ctx, f.shell);
        QCOMPARE(f.ctx.File().hexPath, hex);
    }
};

QTEST_GUILESS_MAIN(TestFileCommands)
#include "TestFileCommands.moc"
