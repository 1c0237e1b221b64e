#include "core/options/OptionRefresh.h"

#include "core/context/AppContext.h"
#include "core/image/IdLocations.h"
#include "core/image/InformationReport.h"
#include "core/model/OptionDefinitions.h"
#include "core/model/OptionIndex.h"

namespace {

using namespace OptionIndex;

constexpr int TaskFailedBit = 0x8;

class Refresh
{
public:
    explicit Refresh(AppContext& ctx)
        : m_ctx(ctx), m_table(ctx.Options()), m_bindings(ctx.Bindings()), m_profile(ctx.Profile()),
          m_serial(ctx.SerialSettings())
    {
    }

    void Run()
    {
        m_bindings.SetSwitch(OptionSwitch::SaveSettingsNow, m_ctx.Flags().SettingsDirty);
        for (int index = 0; index < OptionTable::Count; ++index) {
            ApplyRule(index);
            m_bindings.SetControl(index, ControlState(index));
            m_bindings.ShowControls(index, m_table);
        }
    }

private:
    bool Eff(int index) const { return m_table.IsEffective(index); }
    bool Val(int index) const { return m_table.IsSet(index); }
    bool Locked() const { return m_table.OptionsHidden(); }
    bool EeDevice() const { return m_profile.ee > 0; }
    bool ExtraCalibration() const { return m_profile.xcal >= 1; }

    void Follow(int code, bool available)
    {
        m_bindings.ApplyTaskRow(TaskRowCommand{code, TaskRowChange::Follow, available});
    }
    void FollowRange(int first, int last, bool available)
    {
        for (int code = first; code <= last; ++code)
            Follow(code, available);
    }
    void Disable(int code) { m_bindings.ApplyTaskRow(TaskRowCommand{code, TaskRowChange::Disable, false}); }
    // A memory section's blank-check, verify and read rows: each follows only while its command
    // is in use (blank check, verify, read functions not disabled).
    void SectionTriple(int blankCheck, int verify, int read, bool available)
    {
        if (Eff(BlankCheck))
            Follow(blankCheck, available);
        if (Eff(Verify))
            Follow(verify, available);
        if (!Eff(NoRead))
            Follow(read, available);
    }
    void Switch(OptionSwitch item, bool on) { m_bindings.SetSwitch(item, on); }

    void ApplyRule(int index)
    {
        switch (index) {
        case HideOptions: ApplyOptionEditingLock(m_ctx); break;
        case NoRead:
            Switch(OptionSwitch::ReadAction, !Eff(NoRead));
            FollowRange(27, 32, !Eff(NoRead));
            break;
        case SkipBlank: m_table.SetPresent(SkipBlank, m_profile.paw < 2); break;
        case Erase:
            m_table.SetPresent(Erase, m_profile.flash);
            Switch(OptionSwitch::EraseAction, Eff(Erase));
            Switch(OptionSwitch::FillValueButton, Eff(Erase));
            Follow(1, Eff(Erase));
            Follow(3, Eff(Erase));
            break;
        case BlankCheck:
            Switch(OptionSwitch::BlankCheckAction, Eff(BlankCheck));
            FollowRange(7, 11, Eff(BlankCheck));
            break;
        case Verify:
            Switch(OptionSwitch::VerifyAction, Eff(Verify));
            FollowRange(18, 23, Eff(Verify));
            break;
        case ProgramCode:
            Follow(13, Eff(ProgramCode));
            SectionTriple(8, 19, 28, Eff(ProgramCode));
            break;
        case ProgramEe: ProgramEeRule(); break;
        case ProgramId:
            Follow(16, Eff(ProgramId));
            SectionTriple(10, 22, 31, Eff(ProgramId));
            Switch(OptionSwitch::IdFields, Eff(ProgramId));
            break;
        case ProgramCal: ProgramCalRule(); break;
        case ProgramConfig:
            Switch(OptionSwitch::FusesAction, Eff(ProgramConfig));
            Switch(OptionSwitch::ConfigWordInput, Eff(ProgramConfig));
            Follow(33, Eff(ProgramConfig));
            Follow(17, Eff(ProgramConfig));
            Follow(35, Eff(ProgramConfig));
            SectionTriple(11, 23, 32, Eff(ProgramConfig));
            break;
        case SerialNumbering: SerialNumberingRule(); break;
        case UseSqtp: UseSqtpRule(); break;
        case EeEditorOff:
            if (m_table.Present(EeEditorOff)) {
                const bool shown = m_table.Present(ProgramEe) && !Val(EeEditorOff);
                Switch(OptionSwitch::EePage, shown);
                Switch(OptionSwitch::DataMenuItem, shown);
            }
            break;
        case WarnProtection: m_table.SetPresent(WarnProtection, Eff(ProgramConfig)); break;
        case IdOverride: m_table.SetPresent(IdOverride, Eff(ProgramId)); break;
        case PulseWidth:
            m_table.SetPresent(PulseWidth, m_profile.flash);
            m_table.SetValue(PulseWidth, m_profile.flash);
            Switch(OptionSwitch::PulseWidthSlider, m_profile.flash);
            break;
        case SerialInEe: SerialPlacementRule(); break;
        case SerialInCode:
            m_table.SetPresent(SerialInCode, (m_profile.sc & 1) ? Eff(SerialNumbering) : false);
            Follow(25, Eff(SerialInCode));
            break;
        case EncodeRetlw: m_table.SetPresent(EncodeRetlw, Eff(SerialInCode)); break;
        case AutoIncrement: m_serial.autoNumbering = Val(AutoIncrement) || Val(UseSqtp); break;
        case IdAscii7:
        case IdHex4:
        case IdHex7:
            if (Eff(index) && Eff(ProgramId)) {
                m_bindings.SetIdMode(index);
                if (m_bindings.idModeChanged)
                    m_bindings.idModeChanged(index);
                ShowIdWords(m_ctx);
            }
            break;
        case NoVdd:
            if (!m_profile.serial)
                m_table.SetValue(NoVdd, false);
            if (Eff(NoVdd) && m_bindings.forceSingleSocket)
                m_bindings.forceSingleSocket();
            break;
        case LockView: Switch(OptionSwitch::ViewMenu, !Locked() || !Val(LockView)); break;
        default: break;
        }
    }

    void ProgramEeRule()
    {
        const bool ee = EeDevice();
        m_table.SetPresent(ProgramEe, ee);
        m_table.SetPresent(EeEditorOff, ee);
        if (!ee) {
            for (int code : {9, 14, 20, 29})
                Disable(code);
        }
        const bool present = m_table.Present(ProgramEe);
        for (int dependent : {IncludeEe, SerialInEe, EeOverride})
            m_table.SetPresent(dependent, present);
        Switch(OptionSwitch::EditEeDataButton, present);
        Switch(OptionSwitch::EeGrid, present);
        Switch(OptionSwitch::DataMenuItem, present);
        Switch(OptionSwitch::EePage, present);
        Switch(OptionSwitch::EeHexOptionsButton, present && !Locked());
        Switch(OptionSwitch::EeFillButton, present && !Locked());
        Switch(OptionSwitch::EeOverrideBox, present && !Locked());
        Follow(14, Eff(ProgramEe));
        SectionTriple(9, 20, 29, Eff(ProgramEe));
    }

    void ProgramCalRule()
    {
        const bool present = m_profile.cal >= 1;
        m_table.SetPresent(ProgramCal, present);
        // A device with extra or backup calibration is always programmed with its calibration.
        if (ExtraCalibration() || m_profile.bcal)
            m_table.SetValue(ProgramCal, true);
        Switch(OptionSwitch::CalibrationGrid, present);
        Switch(OptionSwitch::CalibrationMenuItem, present && !Locked());
        Switch(OptionSwitch::CalibrationPage, present && !Locked());
        Switch(OptionSwitch::CalibrationItemBar, ExtraCalibration() || m_profile.bcal);
        Switch(OptionSwitch::CalibrationItemList, ExtraCalibration());
        if (!ExtraCalibration())
            m_ctx.Image().SetSelectedCalSocket(0);
        m_table.SetPresent(IncludeCal, present);
        if (!present) {
            for (int code : {15, 21, 30})
                Disable(code);
        }
        Follow(15, Eff(ProgramCal));
        if (Eff(Verify))
            Follow(21, Eff(ProgramCal));
        if (!Eff(NoRead))
            Follow(30, Eff(ProgramCal));
    }

    void SerialNumberingRule()
    {
        const bool on = Eff(SerialNumbering);
        Switch(OptionSwitch::SerializeAction, on);
        FollowRange(24, 26, on);
        m_table.SetPresent(UseSqtp, on);
        m_table.SetPresent(AutoIncrement, on);
        if (m_profile.sc & 1)
            m_table.SetPresent(SerialInCode, on);
        else
            m_table.SetPresent(EncodeRetlw, false);
        if (m_profile.sc & 2)
            m_table.SetPresent(SerialInEe, on);
    }

    void UseSqtpRule()
    {
        m_serial.sqtpInUse = Eff(UseSqtp);
        m_table.SetPresent(AutoIncrement, !Eff(UseSqtp));
        Switch(OptionSwitch::SqtpFileControls, Eff(UseSqtp));
        m_serial.autoNumbering = Val(AutoIncrement) || Val(UseSqtp);
        if (!Val(UseSqtp)) {
            m_serial.sqtpInUse = false;
            m_serial.sqtpReady = false;
        }
        if (!m_serial.sqtpInUse)
            return;
        m_serial.sqtpReady = m_bindings.validateSqtp && m_bindings.validateSqtp();
        if (m_serial.sqtpReady || !m_bindings.validateSqtp)
            return;
        m_ctx.History().AddLine(QStringLiteral(" Error with SQTP Settings "), HistoryStyle::Error);
        if (m_bindings.recordError) {
            m_bindings.recordError(TaskFailedBit);
        } else {
            m_ctx.Flags().TaskFailed = true;
            m_ctx.Flags().StopRequested = true;
        }
    }

    // Which memory receives serial numbers, by the device's SC.
    void SerialPlacementRule()
    {
        const bool on = Eff(SerialNumbering);
        if (m_profile.sc == 3) {
            m_table.SetPresent(SerialInCode, on);
            if (EeDevice()) {
                m_table.SetPresent(SerialInEe, on);
            } else {
                m_table.SetSerialInCode(true);
                m_table.SetPresent(SerialInEe, false);
            }
        } else if (m_profile.sc == 2) {
            m_table.SetSerialInCode(false);
            m_table.SetPresent(SerialInEe, on);
        } else if (EeDevice()) {
            m_table.SetPresent(SerialInEe, on);
        } else {
            // Without EE data there is only code memory to take the number, whatever the
            // control file chose.
            m_table.SetSerialInCode(true);
            m_table.SetPresent(SerialInEe, false);
        }
        Follow(26, Eff(SerialInEe));
        m_serial.codeSpace = !Eff(SerialInEe);
    }

    OptionControlState ControlState(int index) const
    {
        OptionControlState state;
        const OptionDefinition* definition = FindOptionDefinition(index);
        if (!definition) {
            state.checked = Val(index);
            return state;
        }
        state.checked = definition->shows == OptionShows::Effective ? Eff(index) : Val(index);
        switch (definition->enabledBy) {
        case OptionEnabledBy::Always: break;
        case OptionEnabledBy::Present: state.enabled = m_table.Present(index); break;
        case OptionEnabledBy::IdProgramming: state.enabled = Eff(ProgramId); break;
        case OptionEnabledBy::SelfPowered: state.enabled = Val(NoVdd); break;
        case OptionEnabledBy::SerialProgramming: state.enabled = m_profile.serial; break;
        }
        return state;
    }

    AppContext& m_ctx;
    OptionTable& m_table;
    OptionBindings& m_bindings;
    DeviceProfile& m_profile;
    SerialNumberSettings& m_serial;
};

// The entries that are one choice with index: selecting index clears the others.
std::vector<int> ChoiceSiblings(int index)
{
    switch (index) {
    case SerialInEe: return {SerialInCode};
    case SerialInCode: return {SerialInEe};
    case IdAscii7: return {IdHex4, IdHex7};
    case IdHex4: return {IdAscii7, IdHex7};
    case IdHex7: return {IdAscii7, IdHex4};
    default: return {};
    }
}

void OptionClick(AppContext& ctx, int index, bool state, bool radio)
{
    if (!OptionTable::Valid(index) || !ctx.Flags().ProgramReady)
        return;
    ctx.Flags().SettingsDirty = true;
    OptionTable& table = ctx.Options();
    if (table.OptionBeingShown() == index)
        return;
    table.SetValue(index, state);
    if (radio && state) {
        for (int sibling : ChoiceSiblings(index))
            table.SetValue(sibling, false);
    }
    OptionsChanged(ctx);
}
} // namespace

void ApplyOptionEditingLock(AppContext& ctx)
{
    OptionBindings& bindings = ctx.Bindings();
    const bool locked = ctx.Options().OptionsHidden();
    bindings.SetSwitch(OptionSwitch::OptionEditing, !locked);
    bindings.SetSwitch(OptionSwitch::EnableOptionEditing, locked);
    if (locked && bindings.closeOptionsDialog)
        bindings.closeOptionsDialog();
}

void UpdateOptionControls(AppContext& ctx)
{
    ctx.Bindings().BeginRefresh();
    Refresh(ctx).Run();
}

void OptionsChanged(AppContext& ctx)
{
    if (ctx.Flags().StartupInProgress)
        return;
    OptionBindings& bindings = ctx.Bindings();
    bindings.BeginRefresh();
    bindings.ApplyTaskRow(TaskRowCommand{0, TaskRowChange::Follow, true});
    bindings.ApplyTaskRow(TaskRowCommand{12, TaskRowChange::Follow, true});
    Refresh(ctx).Run();
    for (int stage = 0; stage < int(OptionStage::Count); ++stage)
        bindings.RunStage(OptionStage(stage));
    RefreshChecksumAndReport(ctx);
}

void Checkoptionclick(AppContext& ctx, int index, bool checked)
{
    OptionClick(ctx, index, checked, false);
}

void RadioOptionclick(AppContext& ctx, int index, bool selected)
{
    OptionClick(ctx, index, selected, true);
}

void ResetOptionsToFactory(AppContext& ctx)
{
    ctx.Options().SetFactoryValues();
    if (ctx.Flags().ProgramReady)
        ctx.Flags().SettingsDirty = true;
    OptionsChanged(ctx);
}

void ToggleOptionFromTaskTree(AppContext& ctx, int index)
{
    OptionTable& table = ctx.Options();
    const bool on = !table.IsSet(index);
    table.SetValue(index, on);
    if (on) {
        for (int sibling : ChoiceSiblings(index))
            table.SetValue(sibling, false);
    } else if (index == SerialInEe || index == SerialInCode) {
        // Placement is a two-way choice: clearing one selects the other.
        table.SetSerialInCode(index == SerialInEe);
    }
    OptionsChanged(ctx);
}
