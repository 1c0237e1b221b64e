// The option refresh: present flags derived from the device, forced values, the commands and
// task-tree rows that follow the options, the click protocol and the factory reset.

#include "OptionsFixture.h"
#include "core/model/OptionIndex.h"
#include "core/options/OptionRefresh.h"

#include <QtTest>

using namespace OptionIndex;
using OptionsTest::Fixture;

namespace {
// A context whose options are all present and on, for a device described by the caller, with the
// program ready (clicks count).
struct RefreshFixture : Fixture {
    RefreshFixture()
    {
        ctx.Options().SetAllPresentAndOn();
        ctx.Flags().ProgramReady = true;
        DeviceProfile& p = ctx.Profile();
        p.ee = 256;
        p.flash = true;
        p.paw = 1;
        p.sc = 3;
        p.serial = true;
    }
    // SC decides entry 37's availability at device load; do the same here.
    void LoadSc(int sc)
    {
        ctx.Profile().sc = sc;
        const bool ee = ctx.Profile().ee > 0;
        ctx.Options().SetPresent(SerialNumbering, (sc & 1) || ((sc & 2) && ee));
        ctx.Options().SetPresent(SerialInCode, sc & 1);
        ctx.Options().SetPresent(SerialInEe, (sc & 2) && ee);
    }
    bool Has(int code, TaskRowChange change, bool available = false) const
    {
        for (const TaskRowCommand& command : const_cast<AppContext&>(ctx).Bindings().TaskRowCommands()) {
            if (command.code == code && command.change == change &&
                (change == TaskRowChange::Disable || command.available == available))
                return true;
        }
        return false;
    }
    OptionTable& T() { return ctx.Options(); }
    OptionBindings& B() { return ctx.Bindings(); }
};
} // namespace

class TestOptionRefresh : public QObject
{
    Q_OBJECT
private slots:
    void DeviceWithoutEeData()
    {
        RefreshFixture f;
        f.ctx.Profile().ee = 0;
        OptionsChanged(f.ctx);
        for (int index : {ProgramEe, EeEditorOff, IncludeEe, SerialInEe, EeOverride})
            QVERIFY2(!f.T().Present(index), qPrintable(QString::number(index)));
        // PRGEE stays 1 in the table but is not in effect; the override box keeps its value, disabled.
        QVERIFY(f.T().IsSet(ProgramEe));
        QVERIFY(!f.T().IsEffective(ProgramEe));
        QVERIFY(f.B().Control(EeOverride).checked);
        QVERIFY(!f.B().Control(EeOverride).enabled);
        for (int code : {9, 14, 20, 29})
            QVERIFY(f.Has(code, TaskRowChange::Disable));
        QVERIFY(f.Has(14, TaskRowChange::Follow, false));
        QVERIFY(!f.B().Switch(OptionSwitch::EeGrid));
        QVERIFY(!f.B().Switch(OptionSwitch::DataMenuItem));
        QVERIFY(!f.B().Switch(OptionSwitch::EditEeDataButton));
    }

    void DeviceWithEeData()
    {
        RefreshFixture f;
        OptionsChanged(f.ctx);
        for (int index : {ProgramEe, EeEditorOff, IncludeEe, EeOverride})
            QVERIFY(f.T().Present(index));
        QVERIFY(!f.Has(9, TaskRowChange::Disable));
        QVERIFY(f.Has(14, TaskRowChange::Follow, true));
        // EDITEE set hides the EE page and the "&Data ..." item, even though the device has EE.
        QVERIFY(!f.B().Switch(OptionSwitch::EePage));
        QVERIFY(!f.B().Switch(OptionSwitch::DataMenuItem));
        QVERIFY(f.B().Switch(OptionSwitch::EeGrid));
        f.T().SetValue(EeEditorOff, false);
        OptionsChanged(f.ctx);
        QVERIFY(f.B().Switch(OptionSwitch::EePage));
        QVERIFY(f.B().Switch(OptionSwitch::DataMenuItem));
        // While option editing is hidden the EE page's editing buttons are gone.
        QVERIFY(f.B().Switch(OptionSwitch::EeFillButton));
        f.T().SetOptionsHidden(true);
        OptionsChanged(f.ctx);
        QVERIFY(!f.B().Switch(OptionSwitch::EeFillButton));
        QVERIFY(!f.B().Switch(OptionSwitch::EeOverrideBox));
    }

    void FlashAndPanelWrites()
    {
        RefreshFixture f;
        f.ctx.Profile().flash = false;
        f.ctx.Profile().paw = 2;
        OptionsChanged(f.ctx);
        QVERIFY(!f.T().Present(Erase));
        QVERIFY(!f.B().Switch(OptionSwitch::EraseAction));
        QVERIFY(f.Has(1, TaskRowChange::Follow, false));
        QVERIFY(f.Has(3, TaskRowChange::Follow, false));
        QVERIFY(!f.T().Present(PulseWidth));
        QVERIFY(!f.T().IsSet(PulseWidth));
        QVERIFY(!f.B().Switch(OptionSwitch::PulseWidthSlider));
        QVERIFY(!f.T().Present(SkipBlank));
        QVERIFY(!f.B().Control(SkipBlank).enabled);

        f.ctx.Profile().flash = true;
        f.ctx.Profile().paw = 1;
        OptionsChanged(f.ctx);
        QVERIFY(f.B().Switch(OptionSwitch::EraseAction));
        QVERIFY(f.Has(1, TaskRowChange::Follow, true));
        QVERIFY(f.T().Present(PulseWidth) && f.T().IsSet(PulseWidth));
        QVERIFY(f.T().Present(SkipBlank));
    }

    void Calibration_data()
    {
        QTest::addColumn<int>("cal");
        QTest::addColumn<int>("xcal");
        QTest::addColumn<bool>("bcal");
        QTest::addColumn<bool>("present");
        QTest::addColumn<bool>("forcedOn");
        QTest::addColumn<bool>("itemBar");
        QTest::addColumn<bool>("itemList");
        QTest::newRow("no calibration") << 0 << 0 << false << false << false << false << false;
        QTest::newRow("CAL only") << 1 << 0 << false << true << false << false << false;
        QTest::newRow("XCAL") << 1 << 1 << false << true << true << true << true;
        QTest::newRow("BCAL") << 2 << 0 << true << true << true << true << false;
    }

    void Calibration()
    {
        QFETCH(int, cal);
        QFETCH(int, xcal);
        QFETCH(bool, bcal);
        QFETCH(bool, present);
        QFETCH(bool, forcedOn);
        RefreshFixture f;
        f.ctx.Profile().cal = cal;
        f.ctx.Profile().xcal = xcal;
        f.ctx.Profile().bcal = bcal;
        f.T().SetValue(ProgramCal, false);
        OptionsChanged(f.ctx);
        QCOMPARE(f.T().Present(ProgramCal), present);
        QCOMPARE(f.T().Present(IncludeCal), present);
        QCOMPARE(f.T().IsSet(ProgramCal), forcedOn);
        QCOMPARE(f.B().Switch(OptionSwitch::CalibrationGrid), present);
        QTEST(f.B().Switch(OptionSwitch::CalibrationItemBar), "itemBar");
        QTEST(f.B().Switch(OptionSwitch::CalibrationItemList), "itemList");
        for (int code : {15, 21, 30})
            QCOMPARE(f.Has(code, TaskRowChange::Disable), !present);
    }

    // Serial-number placement by SC (with serial numbering on).
    void PlacementSc3WithEe()
    {
        RefreshFixture f;
        f.LoadSc(3);
        f.T().SetSerialInCode(false);
        OptionsChanged(f.ctx);
        QVERIFY(f.T().Present(SerialInEe) && f.T().Present(SerialInCode));
        QVERIFY(f.T().IsEffective(SerialInEe));
        QVERIFY(!f.ctx.SerialSettings().codeSpace);
        QVERIFY(f.Has(26, TaskRowChange::Follow, true));
        QVERIFY(f.Has(25, TaskRowChange::Follow, false));
        QVERIFY(!f.T().Present(EncodeRetlw)); // RETLW encoding only for code placement
    }

    void PlacementWithoutEeForcesCode_data()
    {
        QTest::addColumn<int>("sc");
        QTest::newRow("SC 3") << 3;
        // Code only by SC, and no EE data: a control file's EE choice has nowhere to go.
        QTest::newRow("SC 1") << 1;
    }
    void PlacementWithoutEeForcesCode()
    {
        QFETCH(int, sc);
        RefreshFixture f;
        f.ctx.Profile().ee = 0;
        f.LoadSc(sc);
        f.T().SetSerialInCode(false);
        OptionsChanged(f.ctx);
        QVERIFY(f.T().IsSet(SerialInCode));
        QVERIFY(!f.T().IsSet(SerialInEe));
        QVERIFY(!f.T().Present(SerialInEe));
        QVERIFY(f.ctx.SerialSettings().codeSpace);
        QVERIFY(f.T().Present(EncodeRetlw));
    }

    void PlacementSc2ForcesEe()
    {
        RefreshFixture f;
        f.LoadSc(2);
        f.T().SetSerialInCode(true);
        OptionsChanged(f.ctx);
        QVERIFY(f.T().IsSet(SerialInEe));
        QVERIFY(!f.T().IsSet(SerialInCode));
        QVERIFY(f.T().Present(SerialInEe));
        QVERIFY(!f.T().Present(SerialInCode));
        QVERIFY(!f.T().Present(EncodeRetlw));
        QVERIFY(!f.ctx.SerialSettings().codeSpace);
        // Forced again at every refresh, whatever a click left.
        f.T().SetSerialInCode(true);
        OptionsChanged(f.ctx);
        QVERIFY(f.T().IsSet(SerialInEe));
    }

    void PlacementOtherScFollowsNumbering()
    {
        RefreshFixture f;
        f.LoadSc(1);
        OptionsChanged(f.ctx);
        QVERIFY(f.T().Present(SerialInEe)); // case 3: follows effective 37 whatever the EE size
        QVERIFY(f.T().Present(SerialInCode));
        f.T().SetValue(SerialNumbering, false);
        OptionsChanged(f.ctx);
        QVERIFY(!f.T().Present(SerialInEe));
        QVERIFY(!f.T().Present(SerialInCode));
        QVERIFY(!f.T().Present(UseSqtp));
        QVERIFY(!f.B().Switch(OptionSwitch::SerializeAction));
        QVERIFY(f.Has(24, TaskRowChange::Follow, false));
    }

    void SerialNumberingUnavailableWithoutSc()
    {
        RefreshFixture f;
        f.ctx.Profile().ee = 0;
        f.LoadSc(2); // EE placement only, and no EE: serial numbering does not apply
        OptionsChanged(f.ctx);
        QVERIFY(!f.T().IsEffective(SerialNumbering));
        QVERIFY(!f.B().Control(SerialNumbering).enabled);
        QVERIFY(!f.B().Switch(OptionSwitch::SerializeAction));
    }

    void SqtpAndAutoIncrement()
    {
        RefreshFixture f;
        f.LoadSc(3);
        f.T().SetValue(UseSqtp, false);
        f.T().SetValue(AutoIncrement, false);
        OptionsChanged(f.ctx);
        QVERIFY(f.T().Present(AutoIncrement));
        QVERIFY(!f.ctx.SerialSettings().autoNumbering);
        QVERIFY(!f.B().Switch(OptionSwitch::SqtpFileControls));

        // SQTP in use: automatic numbering, the Auto Increment box no longer applies, and a file
        // that cannot be used is an error of the run.
        int recorded = 0;
        f.B().validateSqtp = [] { return false; };
        f.B().recordError = [&recorded](int bits) { recorded |= bits; };
        f.T().SetValue(UseSqtp, true);
        OptionsChanged(f.ctx);
        QVERIFY(!f.T().Present(AutoIncrement));
        QVERIFY(f.ctx.SerialSettings().autoNumbering);
        QVERIFY(f.ctx.SerialSettings().sqtpInUse);
        QVERIFY(!f.ctx.SerialSettings().sqtpReady);
        QCOMPARE(recorded, 0x8);
        QVERIFY(f.History().contains("Error with SQTP Settings"));

        f.B().validateSqtp = [] { return true; };
        OptionsChanged(f.ctx);
        QVERIFY(f.ctx.SerialSettings().sqtpReady);
    }

    void TargetPowerFollowsSerialProgramming()
    {
        RefreshFixture f;
        int forced = 0;
        f.B().forceSingleSocket = [&forced] { ++forced; };
        f.T().SetValue(NoVdd, true);
        OptionsChanged(f.ctx);
        QVERIFY(f.T().IsSet(NoVdd));
        QVERIFY(f.B().Control(NoVdd).enabled);
        QVERIFY(f.B().Control(NoForcePowerOff).enabled);
        QCOMPARE(forced, 1);

        f.ctx.Profile().serial = false;
        OptionsChanged(f.ctx);
        QVERIFY(!f.T().IsSet(NoVdd));
        QVERIFY(!f.B().Control(NoVdd).enabled);
        QVERIFY(!f.B().Control(NoForcePowerOff).enabled);
        QCOMPARE(forced, 1);
    }

    void DependentPresentFlags()
    {
        RefreshFixture f;
        f.T().SetValue(ProgramConfig, false);
        f.T().SetValue(ProgramId, false);
        OptionsChanged(f.ctx);
        QVERIFY(!f.T().Present(WarnProtection));
        QVERIFY(!f.T().Present(IdOverride));
        QVERIFY(!f.B().Control(IdHex4).enabled);
        QVERIFY(!f.B().Switch(OptionSwitch::FusesAction));
        f.T().SetValue(ProgramConfig, true);
        f.T().SetValue(ProgramId, true);
        OptionsChanged(f.ctx);
        QVERIFY(f.T().Present(WarnProtection));
        QVERIFY(f.T().Present(IdOverride));
        QVERIFY(f.B().Control(IdHex4).enabled);
    }

    void SectionRowsFollowOnlyTheirCommands()
    {
        RefreshFixture f;
        f.T().SetValue(BlankCheck, false);
        f.T().SetValue(NoRead, true);
        OptionsChanged(f.ctx);
        // The code section's blank-check and read rows stay unavailable: their commands are off.
        QVERIFY(f.Has(8, TaskRowChange::Follow, false));
        QVERIFY(!f.Has(8, TaskRowChange::Follow, true));
        QVERIFY(f.Has(19, TaskRowChange::Follow, true));
        QVERIFY(!f.Has(28, TaskRowChange::Follow, true));
        QVERIFY(!f.B().Switch(OptionSwitch::ReadAction));
        QVERIFY(f.Has(27, TaskRowChange::Follow, false));
        // Tasks 0 and 12 are always available.
        QVERIFY(f.Has(0, TaskRowChange::Follow, true));
        QVERIFY(f.Has(12, TaskRowChange::Follow, true));
    }

    void NothingDuringStartUp()
    {
        RefreshFixture f;
        int calls = 0;
        f.B().AddControl(Verify, [&calls](const OptionControlState&) { ++calls; });
        f.B().AddStage(OptionStage::TaskTree, [&calls] { ++calls; });
        f.ctx.Flags().StartupInProgress = true;
        OptionsChanged(f.ctx);
        QCOMPARE(calls, 0);
        f.ctx.Flags().StartupInProgress = false;
        OptionsChanged(f.ctx);
        QCOMPARE(calls, 2);
    }

    void StagesRunAfterControlsInOrder()
    {
        RefreshFixture f;
        QStringList order;
        f.B().AddStage(OptionStage::SocketIndicators, [&order] { order << "sockets"; });
        f.B().AddStage(OptionStage::SerialNumberControls, [&order] { order << "serial"; });
        f.B().AddControl(NoForcePowerOff, [&order](const OptionControlState&) { order << "control78"; });
        OptionsChanged(f.ctx);
        QCOMPARE(order, (QStringList{"control78", "serial", "sockets"}));
    }

    void ClickProtocol()
    {
        RefreshFixture f;
        int refreshes = 0;
        f.B().AddControl(Verify, [&refreshes](const OptionControlState&) { ++refreshes; });

        // Not ready: nothing changes.
        f.ctx.Flags().ProgramReady = false;
        Checkoptionclick(f.ctx, Verify, false);
        QVERIFY(f.T().IsSet(Verify));
        QVERIFY(!f.ctx.Flags().SettingsDirty);
        QCOMPARE(refreshes, 0);

        f.ctx.Flags().ProgramReady = true;
        Checkoptionclick(f.ctx, Verify, false);
        QVERIFY(!f.T().IsSet(Verify));
        QVERIFY(f.ctx.Flags().SettingsDirty);
        QCOMPARE(refreshes, 1);
        QVERIFY(!f.B().Switch(OptionSwitch::VerifyAction));
    }

    // A control that reports the refresh's own change as a click does not change the entry.
    void ClickCausedByTheRefreshIsIgnored()
    {
        RefreshFixture f;
        f.B().AddControl(
            BlankCheck, [&f](const OptionControlState& state) { Checkoptionclick(f.ctx, BlankCheck, !state.checked); });
        OptionsChanged(f.ctx);
        QVERIFY(f.T().IsSet(BlankCheck));
        QCOMPARE(f.T().OptionBeingShown(), OptionTable::None);
    }

    void RadioChoicesStayExclusive()
    {
        RefreshFixture f;
        f.LoadSc(3);
        f.T().SetSerialInCode(true);
        RadioOptionclick(f.ctx, SerialInEe, true);
        QVERIFY(f.T().IsSet(SerialInEe));
        QVERIFY(!f.T().IsSet(SerialInCode));
        QVERIFY(!f.ctx.SerialSettings().codeSpace);

        f.T().SetBit4(1);
        RadioOptionclick(f.ctx, IdHex7, true);
        QVERIFY(f.T().IsSet(IdHex7));
        QVERIFY(!f.T().IsSet(IdHex4));
        QVERIFY(!f.T().IsSet(IdAscii7));
        QCOMPARE(f.T().Bit4Code(), 2);
        QCOMPARE(f.B().IdMode(), IdHex7);
    }

    void FactoryReset()
    {
        RefreshFixture f;
        f.ctx.Flags().ProgramReady = false;
        f.T().SetValue(WarnProtection, false);
        f.T().SetValue(Verify, false);
        ResetOptionsToFactory(f.ctx);
        QVERIFY(f.T().IsSet(WarnProtection));
        QVERIFY(f.T().IsSet(Verify));
        QVERIFY(!f.T().IsSet(NoRead));
        QVERIFY(!f.ctx.Flags().SettingsDirty);
        f.ctx.Flags().ProgramReady = true;
        ResetOptionsToFactory(f.ctx);
        QVERIFY(f.ctx.Flags().SettingsDirty);
    }

    void TaskTreeToggleKeepsPlacementAChoice()
    {
        RefreshFixture f;
        f.LoadSc(3);
        f.T().SetSerialInCode(true);
        ToggleOptionFromTaskTree(f.ctx, SerialInCode);
        QVERIFY(!f.T().IsSet(SerialInCode));
        QVERIFY(f.T().IsSet(SerialInEe));
        QVERIFY(!f.ctx.Flags().SettingsDirty);
        ToggleOptionFromTaskTree(f.ctx, Verify);
        QVERIFY(!f.T().IsSet(Verify));
    }

    void ViewMenuWhileLocked()
    {
        RefreshFixture f;
        f.T().SetValue(LockView, true);
        OptionsChanged(f.ctx);
        QVERIFY(f.B().Switch(OptionSwitch::ViewMenu));
        f.T().SetOptionsHidden(true);
        OptionsChanged(f.ctx);
        QVERIFY(!f.B().Switch(OptionSwitch::ViewMenu));
        f.T().SetValue(LockView, false);
        OptionsChanged(f.ctx);
        QVERIFY(f.B().Switch(OptionSwitch::ViewMenu));
    }
};

QTEST_GUILESS_MAIN(TestOptionRefresh)
#include "TestOptionRefresh.moc"
