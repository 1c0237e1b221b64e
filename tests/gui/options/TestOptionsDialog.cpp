// The options dialog and the option-editing lock on the offscreen platform, on a started program
// (AppShell over real HEX and control files, the main window with the dialog's menu entries).

#include "../../core/options/OptionsFixture.h"
#include "core/app/AppShell.h"
#include "core/app/FileCommands.h"
#include "core/link/ProgrammerLink.h"
#include "core/model/OptionIndex.h"
#include "core/options/OptionRefresh.h"
#include "core/util/IniFile.h"
#include "gui/app/ControlBar.h"
#include "gui/app/TPXmain.h"
#include "gui/options/MainWindowOptionsDialog.h"
#include "gui/options/TPXoptions.h"

#include <QAbstractButton>
#include <QAction>
#include <QButtonGroup>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSlider>
#include <QTabWidget>
#include <QToolButton>
#include <QtTest>

using namespace OptionIndex;
using OptionsTest::ReadFile;
using OptionsTest::WriteFile;

namespace {
const QByteArray Table = "[PRAXON]\r\nVERSION=7\r\nSOFTWARE=Version 2.8.0\r\nDATE=D1\r\nRED=0\r\nMOD=0\r\n"
                         "[PXDEVICES]\r\n16F877A=0E20\r\n12C508=0508\r\n"
                         "[16F877A]\r\nROM=8192\r\nEE=256\r\nCORE=XX\r\nFLASH=1\r\nCFGWORDS=1\r\nSC=3\r\n"
                         "[12C508]\r\nROM=512\r\nEE=0\r\nCORE=5X\r\nSC=1\r\nSERIAL=0\r\n";

struct Fixture : OptionsTest::Fixture {
    AppShell shell{ctx};
    TPXmain window{ctx};
    MainWindowOptionsDialog* wiring = new MainWindowOptionsDialog(window, ctx, shell);

    Fixture() { WriteFile(appDir.filePath("PXMCU.TBL"), Table); }
    // Starts the program on Job.hex, whose control file holds controlLines.
    bool Start(const QByteArray& controlLines = "[OPTIONS]\r\nDEV=16F877A\r\n")
    {
        WriteFile(Hex(), ":0400000001020304F2\r\n:00000001FF\r\n");
        // The control file names its HEX file, as every saved one does.
        QByteArray lines = controlLines;
        const QByteArray hexLine = "HEXFILE=" + Hex().toLocal8Bit() + "\r\n";
        if (lines.contains("[CONTROL]\r\n"))
            lines.replace("[CONTROL]\r\n", "[CONTROL]\r\n" + hexLine);
        else
            lines += "[CONTROL]\r\n" + hexLine;
        WriteFile(Control(), lines);
        const bool started = shell.StartUp({Hex()}, work.path());
        shell.FinishStartUp();
        op.Clear();
        return started && !ctx.Flags().NoValidFile;
    }
    QString Hex() const { return WorkFile("Job.hex"); }
    QString Control() const { return WorkFile("Job.PXC"); }
    TPXoptions& Dialog() { return *wiring->Dialog(); }
    QAbstractButton* Box(int index, int which = 0) { return Dialog().Controls().Boxes(index).value(which); }
    const OptionsDialogControls& C() { return Dialog().Controls(); }
    void Type(QLineEdit* field, const QString& text)
    {
        field->clear();
        field->setFocus();
        QTest::keyClicks(field, text);
    }
    void Run(QAction* action)
    {
        action->trigger();
        QCoreApplication::processEvents();
    }
};
} // namespace

class TestOptionsDialog : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { qputenv("XDG_RUNTIME_DIR", QDir::tempPath().toLocal8Bit()); }

    void MenuEntriesOpenThePages_data()
    {
        QTest::addColumn<int>("page");
        QTest::addColumn<bool>("run");
        QTest::addColumn<QString>("title");
        QTest::newRow("Run: Set Auto Options") << int(OptionsPage::AutoOptions) << true << "Auto Options";
        QTest::newRow("Options: General") << int(OptionsPage::General) << false << "General Options";
        QTest::newRow("Options: HEX File") << int(OptionsPage::HexOptions) << false << "Hex Options";
        QTest::newRow("Options: Serial Numbers") << int(OptionsPage::SerialNumbers) << false << "Serial Numbers";
        QTest::newRow("Options: Advanced") << int(OptionsPage::Advanced) << false << "Advanced";
    }
    void MenuEntriesOpenThePages()
    {
        QFETCH(int, page);
        QFETCH(bool, run);
        QFETCH(QString, title);
        Fixture f;
        QVERIFY(f.Start());
        f.Run(f.wiring->PageAction(OptionsPage(page), run));
        QVERIFY(f.Dialog().isVisible());
        QCOMPARE(f.Dialog().windowTitle(), QString("Praxon Options"));
        QTabWidget* tabs = f.Dialog().Pages();
        QCOMPARE(tabs->tabText(tabs->currentIndex()), title);
        // The icon buttons carry their texts as tooltips only.
        for (QToolButton* button : {f.C().editEeData, f.C().selectMcu, f.C().selectSqtpFile, f.C().serialEditor})
            QVERIFY(button->text().isEmpty() && !button->toolTip().isEmpty());
        QVERIFY(!f.Dialog().SaveNowButton()->isEnabled());
    }

    void BoxesFollowTheClickProtocol()
    {
        Fixture f;
        QVERIFY(f.Start());
        QVERIFY(f.Box(Verify)->isChecked());
        f.Box(Verify)->click();
        QVERIFY(!f.ctx.Options().IsSet(Verify));
        QVERIFY(f.ctx.Flags().SettingsDirty);
        QVERIFY(f.Dialog().SaveNowButton()->isEnabled());
        // The two "Enable Serial Numbering" boxes are one option.
        f.Box(SerialNumbering, 1)->click();
        QVERIFY(f.ctx.Options().IsEffective(SerialNumbering));
        QVERIFY(f.Box(SerialNumbering, 0)->isChecked());
        // While a file is being opened clicks change nothing.
        f.ctx.Flags().ProgramReady = false;
        f.ctx.Flags().SettingsDirty = false;
        f.Box(Verify)->click();
        QVERIFY(!f.ctx.Options().IsSet(Verify));
        QVERIFY(!f.ctx.Flags().SettingsDirty);
    }

    void SerialNumberFields_data()
    {
        QTest::addColumn<bool>("inCode");
        QTest::addColumn<QString>("length");
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("shownLength");
        QTest::addColumn<QString>("shownAddress");
        QTest::addColumn<QString>("warning"); // empty: none
        const QString four = "Serial Number Address reduced to [4] locations below maximum available address.";
        QTest::newRow("code, 4 at 1FFF") << true << "4"
                                         << "1FFF"
                                         << "4"
                                         << "1FFC" << four;
        QTest::newRow("code, 4 at 1ffc") << true << "4"
                                         << "1ffc"
                                         << "4"
                                         << "1FFC" << QString();
        QTest::newRow("code, 9 is 8") << true << "9"
                                      << "1000"
                                      << "8"
                                      << "1000" << QString();
        QTest::newRow("code, 0 is 1") << true << "0"
                                      << "0"
                                      << "1"
                                      << "0" << QString();
        QTest::newRow("EE, 1 at 100") << false << "1"
                                      << "100"
                                      << "1"
                                      << "FF"
                                      << "Serial Number Address reduced to [1] locations below maximum available "
                                         "address.";
        QTest::newRow("EE, 2 at 0FE") << false << "2"
                                      << "0FE"
                                      << "2"
                                      << "FE" << QString();
    }
    void SerialNumberFields()
    {
        QFETCH(bool, inCode);
        QFETCH(QString, length);
        QFETCH(QString, address);
        QFETCH(QString, shownLength);
        QFETCH(QString, shownAddress);
        QFETCH(QString, warning);
        Fixture f;
        QVERIFY(f.Start("[OPTIONS]\r\nDEV=16F877A\r\nPrgSNOpt=1\r\n"));
        f.Box(inCode ? SerialInCode : SerialInEe)->click();
        QCOMPARE(f.ctx.SerialSettings().codeSpace, inCode);
        f.Type(f.C().length, length);
        f.Type(f.C().address, address);
        QCOMPARE(f.C().length->text(), shownLength);
        QCOMPARE(f.C().address->text(), shownAddress);
        const SerialNumberSettings& serial = f.ctx.SerialSettings();
        QCOMPARE(serial.length, shownLength.toUShort());
        QCOMPARE(inCode ? serial.codeStartAddress : serial.eeStartAddress, shownAddress.toLongLong(nullptr, 16));
        QCOMPARE(f.op.Texts().contains(warning), !warning.isEmpty());
        if (!warning.isEmpty()) {
            QCOMPARE(f.op.Captions().last(), QString("Serial Number Address Out of Range"));
            QCOMPARE(f.op.boxes.last().icon, BoxIcon::Warning);
        }
        QVERIFY(f.ctx.Flags().SettingsDirty);
    }

    void PlacementShowsItsOwnAddress()
    {
        Fixture f;
        QVERIFY(f.Start("[OPTIONS]\r\nDEV=16F877A\r\nPrgSNOpt=1\r\n[SERIALNUM]\r\ncstartadd=4096\r\nestartadd=32\r\n"));
        QCOMPARE(f.C().address->text(), QString("1000"));
        f.Box(SerialInEe)->click();
        QCOMPARE(f.C().address->text(), QString("20"));
        QVERIFY(f.ctx.Options().IsSet(SerialInEe) && !f.ctx.Options().IsSet(SerialInCode));
        QVERIFY(!f.Box(SerialInCode)->isChecked());
        f.Box(SerialInCode)->click();
        QCOMPARE(f.C().address->text(), QString("1000"));
        QVERIFY(f.ctx.SerialSettings().codeSpace);
    }

    void FieldsFollowNumberingAndSqtp_data()
    {
        QTest::addColumn<QByteArray>("options");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<bool>("readOnly");
        QTest::newRow("numbering off") << QByteArray() << false << true;
        QTest::newRow("numbering on") << QByteArray("PrgSNOpt=1\r\n") << true << false;
        QTest::newRow("SQTP supplies them") << QByteArray("PrgSNOpt=1\r\nUseSQTP=1\r\n") << true << true;
    }
    void FieldsFollowNumberingAndSqtp()
    {
        QFETCH(QByteArray, options);
        QFETCH(bool, enabled);
        QFETCH(bool, readOnly);
        Fixture f;
        QVERIFY(f.Start("[OPTIONS]\r\nDEV=16F877A\r\n" + options + "[SERIALNUM]\r\nlength=3\r\ncstartadd=512\r\n"));
        for (QLineEdit* field : {f.C().length, f.C().address}) {
            QCOMPARE(field->isEnabled(), enabled);
            QCOMPARE(field->isReadOnly(), readOnly);
        }
        QCOMPARE(f.C().length->text(), QString("3"));
        QCOMPARE(f.C().address->text(), QString("200"));
        QCOMPARE(f.C().sqtpFile->isEnabled(), options.contains("UseSQTP"));
    }

    void PulseWidthSlider()
    {
        Fixture f;
        QVERIFY(f.Start("[OPTIONS]\r\nDEV=16F877A\r\n[CONTROL]\r\nPPW=2\r\n"));
        QSlider* slider = f.C().pulseWidth;
        QVERIFY(slider->isEnabled());
        QCOMPARE(slider->value(), 2);
        QVERIFY(!f.ctx.Flags().SettingsDirty);
        slider->setValue(3);
        QCOMPARE(f.ctx.Options().PulseWidthPosition(), 3);
        QVERIFY(f.ctx.Flags().SettingsDirty);
        QVERIFY(FileCommands::SaveOptionSettingsNow(f.ctx, f.shell));
        QCOMPARE(IniFile(f.Control()).ReadString("CONTROL", "PPW", ""), QString("3"));
        QCOMPARE(slider->value(), 3);
    }

    void TargetVddGroup_data()
    {
        QTest::addColumn<QString>("device");
        QTest::addColumn<int>("stored");
        QTest::newRow("serially programmed device") << "16F877A" << 1;
        QTest::newRow("device without serial programming") << "12C508" << 0;
    }
    void TargetVddGroup()
    {
        QFETCH(QString, device);
        QFETCH(int, stored);
        Fixture f;
        QVERIFY(f.Start("[OPTIONS]\r\nDEV=" + device.toLatin1() + "\r\n"));
        QCOMPARE(f.C().targetVdd->isEnabled(), stored == 1);
        QVERIFY(!f.Box(NoForcePowerOff)->isEnabled());
        // A click on a disabled group's item cannot happen; the handler still puts it back.
        f.C().targetVdd->setEnabled(true);
        f.C().targetVddItems->button(1)->click();
        QCOMPARE(int(f.ctx.Options().Raw(NoVdd)), stored);
        QCOMPARE(f.C().targetVddItems->checkedId(), stored);
        QCOMPARE(f.Box(NoForcePowerOff)->isEnabled(), stored == 1);
    }

    void HighSpeedBoxRenegotiates_data()
    {
        QTest::addColumn<bool>("failedBefore");
        QTest::addColumn<bool>("tick");
        QTest::addColumn<bool>("readyAfter");
        QTest::addColumn<bool>("failedAfter");
        QTest::newRow("ticked") << false << true << false << false;
        QTest::newRow("ticked after a failed speed change") << true << true << true << true;
        QTest::newRow("unticked after a failed speed change") << true << false << true << false;
        QTest::newRow("unticked") << false << false << false << false;
    }
    void HighSpeedBoxRenegotiates()
    {
        QFETCH(bool, failedBefore);
        QFETCH(bool, tick);
        QFETCH(bool, readyAfter);
        QFETCH(bool, failedAfter);
        Fixture f;
        ProgrammerLink link(f.ctx);
        f.ctx.SetLink(&link);
        QVERIFY(f.Start());
        f.ctx.Options().SetValue(HighSpeed, !tick);
        OptionsChanged(f.ctx);
        link.Port().SetProgrammerReady(true);
        link.Box().SetHighSpeedFailed(failedBefore);
        f.Box(HighSpeed)->click();
        QCOMPARE(f.ctx.Options().IsSet(HighSpeed), tick);
        QCOMPARE(link.Port().ProgrammerReady(), readyAfter);
        QCOMPARE(link.Box().HighSpeedFailed(), failedAfter);
        f.ctx.SetLink(nullptr);
    }

    void EditorButtonsOpenTheirPages()
    {
        Fixture f;
        QVERIFY(f.Start());
        QList<EditorPage> asked;
        f.ctx.Bindings().showEditorPage = [&asked](EditorPage page) {
            asked << page;
            return true;
        };
        bool mcuSelected = false;
        connect(&f.Dialog(), &TPXoptions::SelectMcuRequested, this, [&mcuSelected] { mcuSelected = true; });
        for (QToolButton* button : {f.C().editEeData, f.C().editConfigWord, f.C().editIdValues, f.C().serialEditor})
            button->click();
        f.C().selectMcu->click();
        QCOMPARE(asked, (QList<EditorPage>{EditorPage::EeData, EditorPage::ConfigWord, EditorPage::IdValues,
                                           EditorPage::SerialNumbers}));
        QVERIFY(mcuSelected);
        f.ctx.Bindings().showEditorPage = nullptr;
    }

    void PasswordBoxAndReset()
    {
        Fixture f;
        QVERIFY(f.Start("[OPTIONS]\r\nDEV=16F877A\r\nBLOCKCP=0\r\n[CONTROL]\r\nPSED=Old\r\n"));
        QCOMPARE(f.C().password->text(), QString("Old"));
        QCOMPARE(f.C().password->echoMode(), QLineEdit::Password);
        QVERIFY(!f.ctx.Flags().SettingsDirty);
        f.Type(f.C().password, "Night Shift");
        QCOMPARE(f.ctx.Options().Password(), QString("Night Shift"));
        QVERIFY(f.ctx.Flags().SettingsDirty && f.Dialog().SaveNowButton()->isEnabled());
        QVERIFY(!f.Box(WarnProtection)->isChecked());
        f.Dialog().ResetButton()->click();
        QVERIFY(f.Box(WarnProtection)->isChecked());
        QVERIFY(f.ctx.Options().IsSet(WarnProtection));
    }

    void SaveNowWritesAndReloads()
    {
        Fixture f;
        QVERIFY(f.Start());
        f.Box(Verify)->click();
        f.Dialog().SaveNowButton()->click();
        QCOMPARE(f.op.Texts().last(), QString("Option Settings have been saved."));
        QCOMPARE(IniFile(f.Control()).ReadString("OPTIONS", "VERIFY", ""), QString("0"));
        QVERIFY(!f.ctx.Flags().SettingsDirty);
        QVERIFY(!f.Dialog().SaveNowButton()->isEnabled());
        QVERIFY(!f.Box(Verify)->isChecked());
    }

    void FailedSaveNowIsNotReportedAsSaved_data()
    {
        QTest::addColumn<bool>("storeFails");
        QTest::newRow("settings store cannot be written") << true;
        QTest::newRow("control file cannot be written") << false;
    }
    void FailedSaveNowIsNotReportedAsSaved()
    {
        QFETCH(bool, storeFails);
        Fixture f;
        QVERIFY(f.Start());
        const QByteArray before = ReadFile(f.Control());
        f.Box(Verify)->click();
        // Whichever file is made large no longer fits under the size limit.
        if (storeFails)
            f.ctx.SerialSettings().logFile = QString(4000, u'L');
        else
            f.ctx.Options().SetPassword(QString(4000, u'P'));
        const qint64 room = qMax(QFileInfo(f.settings.StoreFile()).size(), qint64(before.size())) + 2000;
        {
            const OptionsTest::FileSizeLimit full{rlim_t(room)};
            f.Dialog().SaveNowButton()->click();
        }
        QVERIFY(!f.op.Texts().contains("Option Settings have been saved."));
        QCOMPARE(f.op.Captions().last(), QString("File Error"));
        const QString named = storeFails ? "Error Writing to Settings File: " + f.settings.StoreFile()
                                         : "Error Writing to Control File: " + f.Control();
        QCOMPARE(f.op.Texts().last(), named + "\rFile too large");
        QCOMPARE(ReadFile(f.Control()), before);
        // Nothing was read back: the edit is still in memory and still unsaved.
        QVERIFY(!f.ctx.Options().IsSet(Verify));
        QVERIFY(!f.Box(Verify)->isChecked());
        QVERIFY(f.ctx.Flags().SettingsDirty);
        QVERIFY(f.Dialog().SaveNowButton()->isEnabled());
    }

    void LockedFileOpensOnlyWithItsPassword()
    {
        Fixture f;
        QVERIFY(f.Start("[OPTIONS]\r\nDEV=16F877A\r\nVERIFY=0\r\n[CONTROL]\r\nhideoptions=1\r\nPSED=Secret\r\n"));
        const QByteArray locked = ReadFile(f.Control());
        QCOMPARE(f.ctx.File().optionAccessMode, 2);
        // What the lock hides.
        QVERIFY(!f.Dialog().Pages()->isVisibleTo(&f.Dialog()));
        QVERIFY(f.Dialog().LockedNotice()->isVisibleTo(&f.Dialog()));
        QCOMPARE(f.Dialog().LockedNotice()->text(), QString("{ Option access has been Disabled }"));
        for (QAction* action : f.window.findChildren<QAction*>())
            if (MainWindowOptionsDialog::LockedCaptions().contains(action->text()))
                QVERIFY2(!action->isVisible(), qPrintable(action->text()));
        QVERIFY(!f.window.ControlBarPanel()->McuBox()->isEnabled());
        QVERIFY(f.wiring->ActEnableEditing()->isVisible() && !f.wiring->ActDisableEditing()->isVisible());
        f.Dialog().ShowPage(OptionsPage::General);
        QVERIFY(!f.Dialog().isVisible());

        // Changes made anyway are never written while locked.
        f.ctx.Options().SetValue(Verify, true);
        f.ctx.Flags().SettingsDirty = true;
        QVERIFY(FileCommands::SaveOptionSettings(f.ctx, f.shell));
        f.ctx.Flags().SettingsDirty = true;
        QVERIFY(FileCommands::ClosePrompt(f.ctx));
        QVERIFY(!f.op.Captions().contains("Save Option Settings/Data"));
        QCOMPARE(ReadFile(f.Control()), locked);

        // A wrong password: still locked, nothing said, and the text is offered again.
        f.op.Clear();
        f.op.QueuePassword("secret");
        f.Run(f.wiring->ActEnableEditing());
        QCOMPARE(f.op.notices.size(), 1);
        QCOMPARE(f.op.notices[0].title, QString("Notice - Password Required"));
        QVERIFY(f.op.notices[0].passwordMode);
        QVERIFY(f.op.boxes.isEmpty());
        QCOMPARE(f.op.sounds, QList<SoundKind>{SoundKind::Question});
        QVERIFY(f.ctx.Options().OptionsHidden());
        QCOMPARE(f.ctx.File().optionAccessMode, 2);

        f.op.QueuePassword("Secret");
        f.Run(f.wiring->ActEnableEditing());
        QCOMPARE(f.op.passwordsOffered, (QStringList{"", "secret"}));
        QVERIFY(!f.ctx.Options().OptionsHidden());
        QCOMPARE(f.ctx.File().optionAccessMode, 1);
        QVERIFY(f.ctx.Options().EnteredPassword().isEmpty());
        QVERIFY(f.Dialog().isVisible());
        QCOMPARE(f.Dialog().Pages()->currentWidget(), f.Dialog().Page(OptionsPage::General));
        QVERIFY(f.Dialog().Pages()->isVisible() && !f.Dialog().LockedNotice()->isVisible());
        QCOMPARE(f.C().password->text(), QString("Secret"));
        QVERIFY(f.Box(HideOptions)->isChecked());
        QVERIFY(!f.wiring->ActEnableEditing()->isVisible() && f.wiring->ActDisableEditing()->isVisible());
        QVERIFY(f.window.ActSelectMcu()->isVisible());
        // Unlocked, the boxes work again.
        QVERIFY(!f.Box(Verify)->isChecked());
        f.Box(Verify)->click();
        QVERIFY(f.ctx.Options().IsSet(Verify));

        // Locking again writes the change with the lock, and the file opens locked.
        f.op.Clear();
        f.op.QueueAnswer(YesButton);
        f.Run(f.wiring->ActDisableEditing());
        QCOMPARE(f.op.Captions().value(0), QString("Disable and Save Option Settings"));
        QCOMPARE(f.op.Texts().value(0), "Disable Option Editing Functions for:\r" + f.Hex() + "...?");
        QVERIFY(!f.Dialog().isVisible());
        QCOMPARE(f.ctx.File().optionAccessMode, 2);
        const IniFile written(f.Control());
        QCOMPARE(written.ReadString("OPTIONS", "VERIFY", ""), QString("1"));
        QCOMPARE(written.ReadString("CONTROL", "hideoptions", ""), QString("1"));
        QCOMPARE(written.ReadString("CONTROL", "PSED", ""), QString("Secret"));
        FileCommands::OpenFile(f.ctx, f.shell, f.Hex());
        QVERIFY(f.ctx.Options().OptionsHidden());
        QVERIFY(f.ctx.Options().IsSet(Verify));
    }

    // While locked, the View menu is enabled only when the lock's View setting is clear.
    void ViewMenuFollowsTheLock_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("unlocked, LOCKVIEW=1") << "LOCKVIEW=1\r\n[CONTROL]\r\nhideoptions=0\r\n" << true;
        QTest::newRow("locked, LOCKVIEW=0") << "LOCKVIEW=0\r\n[CONTROL]\r\nhideoptions=1\r\nPSED=x\r\n" << true;
        QTest::newRow("locked, LOCKVIEW=1") << "LOCKVIEW=1\r\n[CONTROL]\r\nhideoptions=1\r\nPSED=x\r\n" << false;
    }
    void ViewMenuFollowsTheLock()
    {
        QFETCH(QString, control);
        QFETCH(bool, enabled);
        Fixture f;
        QVERIFY(f.Start("[OPTIONS]\r\nDEV=16F877A\r\n" + control.toLatin1()));
        QCOMPARE(f.window.ViewMenu()->menuAction()->isEnabled(), enabled);
    }

    void SavingWithTheBoxTickedLocks()
    {
        Fixture f;
        QVERIFY(f.Start());
        f.Dialog().ShowPage(OptionsPage::General);
        f.Box(HideOptions)->click();
        f.Type(f.C().password, "Line 4");
        QVERIFY(!f.ctx.Options().OptionsHidden());
        f.Dialog().SaveNowButton()->click();
        // The save reads the file back, and the file now says locked.
        const IniFile written(f.Control());
        QCOMPARE(written.ReadString("CONTROL", "hideoptions", ""), QString("1"));
        QCOMPARE(written.ReadString("CONTROL", "PSED", ""), QString("Line 4"));
        QVERIFY(f.ctx.Options().OptionsHidden());
        QCOMPARE(f.ctx.File().optionAccessMode, 2);
        QVERIFY(!f.Dialog().isVisible());
    }

    void LockIsNotAppliedWhenItCannotBeWritten()
    {
        Fixture f;
        QVERIFY(f.Start());
        const QByteArray before = ReadFile(f.Control());
        f.Box(Verify)->click();
        f.ctx.Options().SetPassword(QString(4000, u'P'));
        f.op.QueueAnswer(YesButton);
        const qint64 room = qMax(QFileInfo(f.settings.StoreFile()).size(), qint64(before.size())) + 2000;
        {
            const OptionsTest::FileSizeLimit full{rlim_t(room)};
            f.Run(f.wiring->ActDisableEditing());
        }
        QCOMPARE(f.op.Captions().last(), QString("File Error"));
        QCOMPARE(ReadFile(f.Control()), before);
        QVERIFY(!f.ctx.Options().OptionsHidden());
        QCOMPARE(f.ctx.File().optionAccessMode, 1);
        QVERIFY(f.ctx.Flags().SettingsDirty);
        QVERIFY(!f.ctx.Options().IsSet(Verify));
    }

    void LockWithoutPasswordOpensWithAnEmptyBox()
    {
        Fixture f;
        QVERIFY(f.Start("[OPTIONS]\r\nDEV=16F877A\r\n[CONTROL]\r\nhideoptions=1\r\n"));
        QVERIFY(f.ctx.Options().OptionsHidden());
        f.Run(f.wiring->ActEnableEditing());
        QCOMPARE(f.op.notices.size(), 1);
        QVERIFY(!f.ctx.Options().OptionsHidden());
        // Reopening the file restores the stored lock.
        FileCommands::OpenFile(f.ctx, f.shell, f.Hex());
        QVERIFY(f.ctx.Options().OptionsHidden());
        QCOMPARE(f.ctx.File().optionAccessMode, 2);
    }
};

QTEST_MAIN(TestOptionsDialog)
#include "TestOptionsDialog.moc"
